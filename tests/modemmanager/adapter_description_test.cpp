// The report's adapter lookup over the kernel's interfaces, read from a fake
// sysfs tree, with the waits counted instead of slept.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "fake_sysfs.h"
#include "platform/adapters.h"
#include "platform/linux/sysfs.h"
#include "report/adapter_description.h"

namespace {

class SysfsLookup : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = paravue::SetAdapterLookupSleep(
            [this](std::chrono::milliseconds wait) { waits_.push_back(wait); });
        paravue::SetSystemAdapterLister(paravue::sysfs::NetworkAdapterLister(sysfs_.Root()));
    }
    void TearDown() override {
        paravue::SetSystemAdapterLister(nullptr);
        paravue::SetAdapterLookupSleep(previous_);
    }
    std::u16string Lookup(std::u16string id) {
        std::u16string description;
        paravue::LookupAdapterDescription(std::move(id), description);
        return description;
    }

    FakeSysfs sysfs_;
    std::vector<std::chrono::milliseconds> waits_;
    paravue::AdapterLookupSleep previous_;
};

TEST_F(SysfsLookup, InterfaceIdMatchesTheKernelNameWithoutRegardToCase) {
    sysfs_.AddPciInterface("eno1", "e1000e");
    sysfs_.AddUsbInterface("wwan0", "Quectel", "EM12-G");
    EXPECT_EQ(Lookup(u"WWAN0"), u"Quectel EM12-G");
    EXPECT_EQ(Lookup(u"wwan1"), u"");
    EXPECT_TRUE(waits_.empty());
}

TEST_F(SysfsLookup, VirtualInterfaceHasNoDescriptionSoNoDeviceName) {
    sysfs_.AddVirtualInterface("wwan0");
    EXPECT_EQ(Lookup(u"wwan0"), u"");
    EXPECT_TRUE(waits_.empty());
}

TEST_F(SysfsLookup, UnreadableInterfaceListWaitsTwiceThenGivesUp) {
    // No class/net at all: both attempts fail.
    EXPECT_EQ(Lookup(u"wwan0"), u"");
    EXPECT_EQ(waits_, (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(2000),
                                                              std::chrono::milliseconds(2000)}));
}

}  // namespace
