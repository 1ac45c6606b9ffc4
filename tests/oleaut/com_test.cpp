// COM objects of the stand-in: reference counting, QueryInterface, and creation by CLSID.
#include "platform/oleaut/com_object.h"
#include "platform/oleaut/objbase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// {6A1B2C3D-0000-4000-8000-00AA006D2EA4}
constexpr IID IID_ITestThing = {0x6A1B2C3D, 0, 0x4000, {0x80, 0, 0, 0xAA, 0, 0x6D, 0x2E, 0xA4}};
constexpr CLSID CLSID_TestThing = {0x6A1B2C3E, 0, 0x4000, {0x80, 0, 0, 0xAA, 0, 0x6D, 0x2E, 0xA4}};
constexpr CLSID CLSID_Unknown = {0x6A1B2C3F, 0, 0x4000, {0x80, 0, 0, 0xAA, 0, 0x6D, 0x2E, 0xA4}};

struct ITestThing : IDispatch {
  virtual int answer() = 0;
};

std::atomic<int> live_things{0};

class test_thing final : public com_object<ITestThing> {
 public:
  test_thing() { ++live_things; }
  int answer() override { return 42; }

 private:
  ~test_thing() override { --live_things; }
  bool answers(REFIID riid) const override { return riid == IID_ITestThing; }
};

HRESULT make_test_thing(REFIID riid, void** ppv) {
  auto* thing = new test_thing;
  HRESULT hr = thing->QueryInterface(riid, ppv);
  thing->Release();  // the creator's own reference; QueryInterface took the caller's
  return hr;
}

// Each test initialises COM on its thread and registers the test class for its duration.
class com_test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(com_register_class(CLSID_TestThing, make_test_thing), S_OK);
  }
  void TearDown() override {
    com_revoke_class(CLSID_TestThing);
    CoUninitialize();
    EXPECT_EQ(live_things.load(), 0);
  }
};

TEST_F(com_test, query_interface_answers_each_interface_of_the_chain) {
  ITestThing* thing = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_ITestThing, reinterpret_cast<void**>(&thing)),
            S_OK);
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->answer(), 42);

  struct case_t {
    const IID* iid;
    HRESULT hr;
  };
  for (const case_t& c : {case_t{&IID_IUnknown, S_OK}, case_t{&IID_IDispatch, S_OK}, case_t{&IID_ITestThing, S_OK},
                          case_t{&CLSID_Unknown, E_NOINTERFACE}}) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(thing->QueryInterface(*c.iid, &p), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(p, static_cast<void*>(thing));
      EXPECT_EQ(static_cast<IUnknown*>(p)->Release(), 1u);
    } else {
      EXPECT_EQ(p, nullptr);
    }
  }
  EXPECT_EQ(thing->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(thing->AddRef(), 2u);
  EXPECT_EQ(thing->Release(), 1u);
  EXPECT_EQ(thing->Release(), 0u);
}

TEST_F(com_test, create_instance_failures) {
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(CLSID_Unknown, nullptr, CLSCTX_ALL, IID_IUnknown, &p), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, CLSID_Unknown, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  IUnknown* outer = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&outer)),
            S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_TestThing, outer, CLSCTX_ALL, IID_IUnknown, &p), CLASS_E_NOAGGREGATION);
  outer->Release();
  EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(com_revoke_class(CLSID_Unknown), S_FALSE);
}

TEST_F(com_test, initialisation_is_counted_per_thread) {
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);  // SetUp made the first
  CoUninitialize();
  std::thread other([] {
    void* p = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, &p), S_OK);
    static_cast<IUnknown*>(p)->Release();
    CoUninitialize();
    CoUninitialize();  // one too many: ignored
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, &p), CO_E_NOTINITIALIZED);
  });
  other.join();
}

TEST_F(com_test, reference_count_is_thread_safe) {
  IUnknown* thing = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&thing)),
            S_OK);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([thing] {
      for (int i = 0; i < 10000; ++i) {
        thing->AddRef();
        thing->Release();
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(live_things.load(), 1);
  EXPECT_EQ(thing->Release(), 0u);
}

TEST(guid_text, round_trip_and_refusals) {
  const CLSID dao36 = {0x00000100, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
  EXPECT_EQ(guid_to_wstring(dao36), L"{00000100-0000-0010-8000-00AA006D2EA4}");
  CLSID read{};
  EXPECT_EQ(CLSIDFromString(L"{cd7791b9-43fd-42c5-ae42-8dd2811f0419}", &read), S_OK);
  EXPECT_EQ(guid_to_wstring(read), L"{CD7791B9-43FD-42C5-AE42-8DD2811F0419}");
  for (const wchar_t* bad : {L"", L"{00000100-0000-0010-8000-00AA006D2EA4", L"00000100-0000-0010-8000-00AA006D2EA4",
                             L"{00000100-0000-0010-8000-00AA006D2EA4}x", L"{0000010G-0000-0010-8000-00AA006D2EA4}",
                             L"{00000100-0000-0010-800000AA006D2EA4}"}) {
    read = dao36;
    EXPECT_EQ(CLSIDFromString(bad, &read), E_INVALIDARG) << bad;
    EXPECT_EQ(read, GUID_NULL);
  }
}

}  // namespace
