#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/rfkill.h"
#include "platform/linux/sysfs_adapters.h"

namespace fs = std::filesystem;
using paravue::AdapterListing;
using paravue::AdapterRecord;

namespace {

// A throw-away sysfs tree laid out the way the kernel lays out its own:
// devices under devices/, class entries as symlinks into it.
class FakeSysfs {
  public:
    FakeSysfs() {
        std::string pattern = (fs::temp_directory_path() / "sysfs-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
    }
    ~FakeSysfs() { fs::remove_all(root_); }
    const fs::path& Root() const { return root_; }

    void Write(const fs::path& relative, const std::string& text) {
        fs::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << text;
    }
    void Link(const fs::path& relative, const fs::path& target) {
        fs::create_directories((root_ / relative).parent_path());
        fs::create_directory_symlink(target, root_ / relative);
    }
    void Dir(const fs::path& relative) { fs::create_directories(root_ / relative); }

    // A network interface on a USB modem's interface 4.
    void AddUsbInterface(const std::string& name, const std::string& manufacturer,
                         const std::string& product) {
        fs::path usbDevice = "devices/pci0000:00/0000:00:14.0/usb1/1-3";
        fs::path usbInterface = usbDevice / "1-3:1.4";
        Write(usbDevice / "idVendor", "1e0e\n");
        if (!manufacturer.empty())
            Write(usbDevice / "manufacturer", manufacturer + "\n");
        if (!product.empty())
            Write(usbDevice / "product", product + "\n");
        Dir(usbInterface / "net" / name);
        Link(usbInterface / "subsystem", root_ / "bus/usb");
        Link(usbInterface / "driver", root_ / "bus/usb/drivers/qmi_wwan");
        Link(usbInterface / "net" / name / "device", root_ / usbInterface);
        Link("class/net/" + name, root_ / usbInterface / "net" / name);
    }
    void AddPciInterface(const std::string& name, const std::string& driver) {
        fs::path pciDevice = "devices/pci0000:00/0000:00:1f.6";
        Dir(pciDevice / "net" / name);
        Write(pciDevice / "vendor", "0x8086\n");
        Link(pciDevice / "subsystem", root_ / "bus/pci");
        Link(pciDevice / "driver", root_ / "bus/pci/drivers" / driver);
        Link(pciDevice / "net" / name / "device", root_ / pciDevice);
        Link("class/net/" + name, root_ / pciDevice / "net" / name);
    }
    void AddVirtualInterface(const std::string& name) {
        Dir("devices/virtual/net/" + name);
        Link("class/net/" + name, root_ / "devices/virtual/net" / name);
    }
    void AddRfkill(const std::string& entry, const std::string& type, const std::string& hard) {
        Write("class/rfkill/" + entry + "/type", type + "\n");
        Write("class/rfkill/" + entry + "/hard", hard + "\n");
    }

  private:
    fs::path root_;
};

std::vector<AdapterRecord> List(const fs::path& root, AdapterListing expected) {
    std::vector<AdapterRecord> records;
    EXPECT_EQ(paravue::sysfs::ListNetworkAdapters(root, records), expected);
    return records;
}

TEST(SysfsAdapters, DescribesUsbPciAndVirtualInterfacesInNameOrder) {
    FakeSysfs sysfs;
    sysfs.AddVirtualInterface("lo");
    sysfs.AddPciInterface("eno1", "e1000e");
    sysfs.AddUsbInterface("wwan0", "Quectel", "EM12-G");
    auto records = List(sysfs.Root(), AdapterListing::Listed);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "eno1");
    EXPECT_EQ(records[0].description, u"e1000e");
    EXPECT_EQ(records[1].name, "lo");
    EXPECT_EQ(records[1].description, u"");
    EXPECT_EQ(records[2].name, "wwan0");
    EXPECT_EQ(records[2].description, u"Quectel EM12-G");
}

TEST(SysfsAdapters, UsbDeviceWithOneStringOrNoneFallsBack) {
    FakeSysfs only;
    only.AddUsbInterface("wwan0", "", "LTE Module");
    EXPECT_EQ(paravue::sysfs::DescribeNetworkInterface(only.Root(), "wwan0"), u"LTE Module");

    // No strings at all: the driver of the USB interface still names it.
    FakeSysfs none;
    none.AddUsbInterface("wwan0", "", "");
    EXPECT_EQ(paravue::sysfs::DescribeNetworkInterface(none.Root(), "wwan0"), u"qmi_wwan");
}

TEST(SysfsAdapters, NonAsciiStringsAreWidenedFromUtf8) {
    FakeSysfs sysfs;
    sysfs.AddUsbInterface("wwan0", "Sierra\xC3\xA9", "Modul \xE2\x82\xAC");
    EXPECT_EQ(paravue::sysfs::DescribeNetworkInterface(sysfs.Root(), "wwan0"),
              u"Sierra\u00E9 Modul \u20AC");
}

TEST(SysfsAdapters, MissingClassDirectoryFailsEmptyOneLists) {
    FakeSysfs sysfs;
    EXPECT_TRUE(List(sysfs.Root(), AdapterListing::Failed).empty());
    sysfs.Dir("class/net");
    EXPECT_TRUE(List(sysfs.Root(), AdapterListing::Listed).empty());
}

TEST(SysfsAdapters, UnknownInterfaceHasNoDescription) {
    FakeSysfs sysfs;
    sysfs.AddPciInterface("eno1", "e1000e");
    EXPECT_EQ(paravue::sysfs::DescribeNetworkInterface(sysfs.Root(), "wwan9"), u"");
}

TEST(SysfsAdapters, ListerReadsItsOwnRoot) {
    FakeSysfs sysfs;
    sysfs.AddUsbInterface("wwan0", "Quectel", "EM12-G");
    paravue::AdapterLister lister = paravue::sysfs::NetworkAdapterLister(sysfs.Root());
    std::vector<AdapterRecord> records;
    ASSERT_EQ(lister(records), AdapterListing::Listed);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].description, u"Quectel EM12-G");
}

TEST(Rfkill, OnlyHardBlockedWwanSwitchesCount) {
    FakeSysfs sysfs;
    EXPECT_FALSE(paravue::sysfs::WwanHardBlocked(sysfs.Root()));  // no rfkill class at all
    sysfs.AddRfkill("rfkill0", "wlan", "1");
    sysfs.AddRfkill("rfkill1", "wwan", "0");
    EXPECT_FALSE(paravue::sysfs::WwanHardBlocked(sysfs.Root()));
    sysfs.AddRfkill("rfkill2", "wwan", "1");
    EXPECT_TRUE(paravue::sysfs::WwanHardBlocked(sysfs.Root()));
}

TEST(Rfkill, UnreadableHardAttributeIsNotBlocked) {
    FakeSysfs sysfs;
    sysfs.Write("class/rfkill/rfkill0/type", "wwan\n");
    EXPECT_FALSE(paravue::sysfs::WwanHardBlocked(sysfs.Root()));
}

}  // namespace
