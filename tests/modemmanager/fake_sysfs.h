// A throw-away sysfs tree for the readers of platform/linux.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

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
