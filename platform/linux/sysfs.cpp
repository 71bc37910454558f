#include "platform/linux/sysfs.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/utf.h"

namespace paravue::sysfs {
namespace fs = std::filesystem;

namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// One attribute's text without the trailing newline; nothing when it cannot
// be read.
std::optional<std::string> ReadAttribute(const fs::path& file) {
    // A C stream: a C++ file stream would set up the standard locale, which a
    // report run otherwise never needs.
    std::unique_ptr<std::FILE, FileClose> in(std::fopen(file.c_str(), "rb"));
    if (!in)
        return std::nullopt;
    std::string text;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0)
        text.append(chunk, got);
    if (std::ferror(in.get()))
        return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text;
}

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
    return ec ? std::string() : driver.filename().string();
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

bool WwanHardBlocked(const fs::path& sysfsRoot) {
    std::error_code ec;
    fs::directory_iterator it(sysfsRoot / "class" / "rfkill", ec);
    if (ec)
        return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        if (ReadAttribute(it->path() / "type") != "wwan")
            continue;
        // "hard" is 0 or 1; anything non-zero means the switch is engaged.
        auto hard = ReadAttribute(it->path() / "hard");
        if (hard && !hard->empty() && *hard != "0")
            return true;
    }
    return false;
}

}  // namespace paravue::sysfs
