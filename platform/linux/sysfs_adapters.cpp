#include "platform/linux/sysfs_adapters.h"

#include <algorithm>
#include <system_error>

#include "platform/linux/sysfs_text.h"
#include "platform/utf.h"

namespace paravue::sysfs {
namespace fs = std::filesystem;

namespace {

// A USB network function hangs off a USB interface; the strings live on the
// USB device, the interface's parent.
std::string UsbDeviceStrings(const fs::path& device) {
    std::error_code ec;
    fs::path subsystem = fs::read_symlink(device / "subsystem", ec);
    if (ec || subsystem.filename() != "usb")
        return {};
    fs::path dir = fs::canonical(device, ec);
    if (ec)
        return {};
    if (!fs::exists(dir / "idVendor", ec))
        dir = dir.parent_path();
    if (!fs::exists(dir / "idVendor", ec))
        return {};
    std::string manufacturer = ReadAttribute(dir / "manufacturer").value_or("");
    std::string product = ReadAttribute(dir / "product").value_or("");
    if (manufacturer.empty() || product.empty())
        return manufacturer + product;
    return manufacturer + " " + product;
}

std::string DriverName(const fs::path& device) {
    std::error_code ec;
    fs::path driver = fs::read_symlink(device / "driver", ec);
    if (ec)
        return {};
    return driver.filename().string();
}

}  // namespace

std::u16string DescribeNetworkInterface(const fs::path& sysfsRoot, const std::string& name) {
    fs::path device = sysfsRoot / "class" / "net" / name / "device";
    std::error_code ec;
    if (!fs::exists(device, ec))
        return {};
    std::string text = UsbDeviceStrings(device);
    if (text.empty())
        text = DriverName(device);
    return Utf8ToUtf16(text);
}

AdapterListing ListNetworkAdapters(const fs::path& sysfsRoot, std::vector<AdapterRecord>& records) {
    std::error_code ec;
    fs::directory_iterator it(sysfsRoot / "class" / "net", ec);
    if (ec)
        return AdapterListing::Failed;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return AdapterListing::Failed;
        names.push_back(it->path().filename().string());
    }
    // Directory order is arbitrary; a stable order makes "first match wins"
    // mean the same thing on every run.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        records.push_back({name, DescribeNetworkInterface(sysfsRoot, name)});
    return AdapterListing::Listed;
}

AdapterLister NetworkAdapterLister(fs::path sysfsRoot) {
    return [root = std::move(sysfsRoot)](std::vector<AdapterRecord>& records) {
        return ListNetworkAdapters(root, records);
    };
}

}  // namespace paravue::sysfs
