// Binding the mail client's entry points through a stand-in resolver.
#include "plugin/binding/host_api.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const char* versionText = "2.00.05";
std::set<std::string> missing;
int lookups = 0;

const char* WINAPI FakeGetVersion() { return versionText; }
void WINAPI FakeEntry() {}

FARPROC FakeResolve(HMODULE, const char* name) {
  ++lookups;
  if (missing.count(name) != 0) return nullptr;
  if (std::string(name) == "OVA_GetVersion") return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeGetVersion));
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(FakeEntry));
}

const HMODULE kModule = reinterpret_cast<HMODULE>(static_cast<INT_PTR>(0x10000));

bool Bind(const char* version, std::set<std::string> absent, HostApi* api) {
  versionText = version;
  missing = std::move(absent);
  *api = HostApi{};
  return BindHostApi(api, kModule, FakeResolve);
}

const char* const kRequired[] = {
#define ZAPNEST_NAME_OF(name, required) "OVA_" #name,
    ZAPNEST_HOST_ENTRY_POINTS(ZAPNEST_NAME_OF)
#undef ZAPNEST_NAME_OF
};

TEST(HostBinding, AFullHostBindsEveryName) {
  HostApi api;
  ASSERT_TRUE(Bind("2.01.00", {}, &api));
  EXPECT_EQ(kModule, api.module);
  for (FARPROC entry : api.entry) EXPECT_NE(nullptr, entry);
}

TEST(HostBinding, EveryRequiredNameIsRequired) {
  for (size_t i = 0; i < kHostEntryPointCount - 2; ++i) {
    HostApi api;
    EXPECT_FALSE(Bind("2.00.05", {kRequired[i]}, &api)) << kRequired[i];
    EXPECT_EQ(nullptr, api.module) << kRequired[i];
  }
}

TEST(HostBinding, OldHostsNeedNoStatusEntry) {
  HostApi api;
  EXPECT_TRUE(Bind("2.00.05", {"OVA_SetStatus", "OVA_NextUnread"}, &api));
  EXPECT_EQ(nullptr, api.entry[OvaSetStatus]);
  EXPECT_EQ(nullptr, api.entry[OvaNextUnread]);
  EXPECT_TRUE(Bind("1.99", {"OVA_SetStatus"}, &api));
}

TEST(HostBinding, NewerOrLongVersionTextsNeedTheStatusEntry) {
  for (const char* version : {"2.00.06", "2.01.00", "2.00.5", "12345678", "2.00.05a"}) {
    HostApi api;
    EXPECT_FALSE(Bind(version, {"OVA_SetStatus"}, &api)) << version;
    EXPECT_EQ(nullptr, api.module) << version;
    EXPECT_TRUE(Bind(version, {"OVA_NextUnread"}, &api)) << version;
  }
}

TEST(HostBinding, BindingABoundTableDoesNothing) {
  HostApi api;
  ASSERT_TRUE(Bind("2.00.05", {}, &api));
  lookups = 0;
  EXPECT_TRUE(BindHostApi(&api, kModule, FakeResolve));
  EXPECT_EQ(0, lookups);
  HostApi unbound{};
  EXPECT_FALSE(BindHostApi(&unbound, nullptr, FakeResolve));
}

}  // namespace
