#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "platform/com_object.h"
#include "platform/mbn.h"

namespace paravue {
namespace {

class Manager final : public ServiceObject<Manager, IMbnConnectionManager> {
  public:
    HRESULT GetConnections(SAFEARRAY** connections) override {
        *connections = nullptr;
        return E_NOTIMPL;
    }
};

HRESULT CreateManager(REFIID iid, void** object) {
    return MakeComObject<Manager>()->QueryInterface(iid, object);
}

class RuntimeTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(apartment_.emplace().Status(), S_OK); }
    void TearDown() override { apartment_.reset(); }

  private:
    std::optional<ComApartment> apartment_;
};

TEST_F(RuntimeTest, UnregisteredClassIsReported) {
    ComPtr<IMbnConnectionManager> manager;
    EXPECT_EQ(CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                               IID_IMbnConnectionManager, manager.PutVoid()),
              REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(manager);
}

TEST_F(RuntimeTest, RegistrationLivesAsLongAsItsHandleAndNests) {
    auto create = [] {
        ComPtr<IMbnConnectionManager> manager;
        return CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                                IID_IMbnConnectionManager, manager.PutVoid());
    };
    {
        ClassRegistration outer(CLSID_MbnConnectionManager, CreateManager);
        {
            // The newest registration answers while it lives; the outer one
            // would have created a manager.
            ClassRegistration inner(CLSID_MbnConnectionManager,
                                    [](REFIID, void**) { return E_NOTIMPL; });
            EXPECT_EQ(create(), E_NOTIMPL);
        }
        ComPtr<IMbnConnectionManager> manager;
        ASSERT_EQ(CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                                   IID_IMbnConnectionManager, manager.PutVoid()),
                  S_OK);
        ComPtr<IMbnInterfaceManager> wrong;
        EXPECT_EQ(manager.As(&wrong), E_NOINTERFACE);
        EXPECT_FALSE(wrong);
    }
    EXPECT_EQ(create(), REGDB_E_CLASSNOTREG);
}

TEST_F(RuntimeTest, AggregationAndUninitialisedThreadsAreRefused) {
    ClassRegistration registration(CLSID_MbnConnectionManager, CreateManager);
    ComPtr<IMbnConnectionManager> manager;
    ComPtr<Manager> outer = MakeComObject<Manager>();
    EXPECT_EQ(CoCreateInstance(CLSID_MbnConnectionManager,
                               static_cast<IMbnConnectionManager*>(outer.Get()), CLSCTX_ALL,
                               IID_IMbnConnectionManager, manager.PutVoid()),
              CLASS_E_NOAGGREGATION);
    HRESULT elsewhere = S_OK;
    std::thread([&] {
        ComPtr<IMbnConnectionManager> m;
        elsewhere = CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                                     IID_IMbnConnectionManager, m.PutVoid());
    }).join();
    EXPECT_EQ(elsewhere, CO_E_NOTINITIALIZED);
}

TEST(ComApartmentTest, NestedApartmentsLeaveCOMOnlyWhenTheOutermostGoes) {
    ClassRegistration registration(CLSID_MbnConnectionManager, CreateManager);
    const auto create = [] {
        ComPtr<IMbnConnectionManager> manager;
        return CoCreateInstance(CLSID_MbnConnectionManager, nullptr, CLSCTX_ALL,
                                IID_IMbnConnectionManager, manager.PutVoid());
    };
    {
        const ComApartment outer;
        EXPECT_EQ(outer.Status(), S_OK);
        {
            const ComApartment inner;
            EXPECT_EQ(inner.Status(), S_FALSE);
        }
        EXPECT_EQ(create(), S_OK) << "the inner apartment must not leave the outer one's COM";
    }
    EXPECT_EQ(create(), CO_E_NOTINITIALIZED);
}

TEST(ComObject, QueryInterfaceFollowsTheRules) {
    auto before = CurrentLiveCounts().serviceObjects;
    {
        ComPtr<Manager> manager = MakeComObject<Manager>();
        EXPECT_EQ(CurrentLiveCounts().serviceObjects, before + 1);
        EXPECT_EQ(manager->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(manager->QueryInterface(IID_IMbnRadio, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(manager->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
        EXPECT_EQ(unknown->AddRef(), 3u);  // manager, unknown, and this one
        EXPECT_EQ(unknown->Release(), 2u);
    }
    EXPECT_EQ(CurrentLiveCounts().serviceObjects, before);
}

TEST(Hresult, Win32Mapping) {
    EXPECT_EQ(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_NOT_FOUND)), 0x80070490u);
    EXPECT_EQ(static_cast<std::uint32_t>(HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED)), 0x80070032u);
    EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
    EXPECT_TRUE(FAILED(E_MBN_SIM_NOT_INSERTED));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

}  // namespace
}  // namespace paravue
