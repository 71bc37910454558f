// A ModemManager service registered for CoCreateInstance, and the mock daemon
// behind it, for tests that go through the boundary as the report does.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "mock_daemon.h"
#include "platform/accounting.h"
#include "platform/mbn.h"
#include "platform/modemmanager/modemmanager_service.h"
#include "platform/runtime.h"
#include "platform/safearray.h"

class ServiceTest : public ::testing::Test {
  protected:
    // The service's bound on any one call to the daemon or the bus.
    static constexpr std::chrono::milliseconds kCallBound{1500};

    void SetUp() override {
        before_ = paravue::CurrentLiveCounts();
        if (std::string why = MockDaemon::Unavailable(); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_TRUE(SUCCEEDED(apartment_.emplace().Status()));
        paravue::mm::ServiceOptions options;
        options.sysfsRoot = "/nonexistent-sysfs";
        options.callBound = kCallBound;
        service_.emplace(options);
    }
    void TearDown() override {
        service_.reset();
        apartment_.reset();
    }

    HRESULT CreateManager(paravue::ComPtr<IMbnInterfaceManager>* manager) {
        return CoCreateInstance(CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                                IID_IMbnInterfaceManager, manager->PutVoid());
    }
    // The interfaces of a fresh manager, as a report run sees them.
    HRESULT Interfaces(std::vector<paravue::ComPtr<IMbnInterface>>* interfaces) {
        interfaces->clear();
        paravue::ComPtr<IMbnInterfaceManager> manager;
        if (HRESULT hr = CreateManager(&manager); FAILED(hr))
            return hr;
        paravue::UniqueSafeArray array;
        if (HRESULT hr = manager->GetInterfaces(array.Put()); FAILED(hr))
            return hr;
        LONG upper = -1;
        SafeArrayGetUBound(array.Get(), 1, &upper);
        for (LONG i = 0; i <= upper; ++i) {
            paravue::ComPtr<IMbnInterface> element;
            if (HRESULT hr = SafeArrayGetElement(array.Get(), &i, element.PutVoid()); FAILED(hr))
                return hr;
            interfaces->push_back(std::move(element));
        }
        return S_OK;
    }
    paravue::ComPtr<IMbnInterface> FirstInterface() {
        std::vector<paravue::ComPtr<IMbnInterface>> all;
        EXPECT_EQ(Interfaces(&all), S_OK);
        return all.empty() ? nullptr : all.front();
    }

    paravue::LiveCounts before_;  // what lived before this test's service
    MockDaemon daemon_;
    std::optional<paravue::mm::ModemManagerService> service_;
    std::optional<paravue::ComApartment> apartment_;
};
