#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fake_sysfs.h"
#include "platform/linux/sysfs.h"

using paravue::AdapterListing;
using paravue::AdapterRecord;

namespace {

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
