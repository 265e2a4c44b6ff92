// Loading and unloading the plug-in library over and over, as a host does, leaves neither
// committed memory nor handles behind; a whole run afterwards, on worker threads, still works and
// leaves no handle behind either. PALISOR_SOAK_CYCLES sets the number of cycles (50 by default;
// scripts/soak.sh runs 1,000).
#include <windows.h>
// After windows.h: the process counters (K32GetProcessMemoryInfo is kernel32's own).
#include <gtest/gtest.h>
#include <psapi.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/plugin_module.h"
#include "host_imitation/widget_service.h"
#include "support/host_fixture.h"

namespace {

// What the process holds: committed private memory and open handles.
struct ProcessUse {
  long long committed = 0;
  long long handles = 0;
};

// The open handles, counted by asking about every handle value in turn: Wine's
// GetProcessHandleCount answers 0. Handle values are multiples of 4 and are given out lowest free
// first, so past a long run of closed values there are no more.
long long OpenHandles() {
  long long open = 0;
  int closedInARow = 0;
  for (uintptr_t value = 4; closedInARow < 4096; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      ++open;
      closedInARow = 0;
    } else {
      ++closedInARow;
    }
  }
  return open;
}

ProcessUse CurrentUse() {
  // The commit charge: Wine fills PagefileUsage, not PrivateUsage, which Windows keeps equal.
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return ProcessUse{static_cast<long long>(counters.PagefileUsage), OpenHandles()};
}

int SoakCycles() {
  const char* cycles = std::getenv("PALISOR_SOAK_CYCLES");
  return cycles != nullptr ? std::atoi(cycles) : 50;
}

// Room for the heap's and Wine's own noise; a leak of a few hundred bytes or one handle a cycle
// shows within 50 cycles.
constexpr long long kMemorySlack = 64 * 1024;
constexpr long long kMemoryPerCycle = 256;
constexpr long long kHandleSlack = 4;

void LoadInitialiseUnload() {
  host_imitation::PluginModule plugin;
  ASSERT_TRUE(plugin.Load(PALISOR_PLUGIN_PATH)) << plugin.error;
  ASSERT_NE(plugin.MQCheckVersion(host_imitation::kHostVersion), 0u);
  ASSERT_TRUE(plugin.Initialise()) << plugin.error;
}

// A Source of 20,000 vertices with one target that swells it, carried over to a Destination of as
// many: enough queries for the search to use every worker thread.
void WholeRun(host_imitation::HostImitation& host) {
  host_imitation::PluginModule plugin;
  ASSERT_TRUE(plugin.Load(PALISOR_PLUGIN_PATH)) << plugin.error;
  ASSERT_TRUE(plugin.Initialise()) << plugin.error;
  constexpr int kSide = 141;
  std::vector<MQPoint> source;
  std::vector<MQPoint> target;
  std::vector<MQPoint> destination;
  for (int u = 0; u < kSide; ++u) {
    for (int v = 0; v < kSide; ++v) {
      const float x = static_cast<float>(u) / kSide;
      const float y = static_cast<float>(v) / kSide;
      source.push_back({x, y, 0.0f});
      target.push_back({x, y, 0.25f * std::sin(6 * x) * std::cos(5 * y)});
      destination.push_back({x + 0.3f / kSide, y + 0.6f / kSide, 0.01f});
    }
  }
  const auto oneFace = [](std::size_t count) {
    std::vector<int32_t> face(count);
    for (std::size_t k = 0; k < count; ++k) face[k] = static_cast<int32_t>(k);
    return std::vector<std::vector<int32_t>>{face};
  };
  host_imitation::HostDocument& document = host.NewDocument();
  host.AddObject(document, "body", source, oneFace(source.size()))
      .intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  host.AddObject(document, "garment", destination, oneFace(destination.size()))
      .intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
  host.AddObject(document, "swell", target, oneFace(target.size()));
  host.widgets().SetUser([](host_imitation::ModalDialog& dialog) {
    dialog.UseRadioButton(u"同頂点数(&D)");
    dialog.Press(u"全て選択(&Z)");
    dialog.Press(u"OK");
  });
  ASSERT_NE(plugin.MQModifyObject(0, document.handle()), 0);
  EXPECT_TRUE(host.misuse().empty()) << host.misuse().front();
  const host_imitation::HostObject* morph = document.FindByName("swell-garment");
  ASSERT_NE(morph, nullptr);
  ASSERT_EQ(morph->vertices.size(), destination.size());
  int moved = 0;
  for (std::size_t k = 0; k < destination.size(); ++k) {
    moved += morph->vertices[k].z != destination[k].z ? 1 : 0;
  }
  EXPECT_GT(moved, static_cast<int>(destination.size()) / 2);
}

// The slot of the plug-in's import address table through which it calls `function`, or null.
void** ImportSlot(HMODULE module, const char* function) {
  auto* const base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name != 0; ++library) {
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; name->u1.AddressOfData != 0; ++name, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
        return reinterpret_cast<void**>(&slot->u1.Function);
      }
    }
  }
  return nullptr;
}

// Points an import slot elsewhere for the lifetime of the object.
class RedirectedImport {
 public:
  RedirectedImport(void** slot, void* replacement) : slot_(slot), original_(Swap(replacement)) {}
  ~RedirectedImport() { Swap(original_); }
  RedirectedImport(const RedirectedImport&) = delete;
  RedirectedImport& operator=(const RedirectedImport&) = delete;

 private:
  void* Swap(void* value) {
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
    void* const previous = *slot_;
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    return previous;
  }

  void** slot_;
  void* original_;
};

// The plug-in's malloc while memory is to look exhausted. Its first call fails, so that the
// plug-in throws; after that, every call of `failingSize` bytes fails too (none when it is 0), so
// that the exception object itself can only come from the C++ runtime's emergency pool. Other
// calls succeed: the unwinder's own allocations are not what is tested. Calls are recorded.
void* (*plainMalloc)(std::size_t) = nullptr;
std::size_t failingSize = 0;
std::vector<std::size_t> allocationSizes;
int failedAllocations = 0;
void* FailingMalloc(std::size_t size) {
  allocationSizes.push_back(size);
  if (failedAllocations == 0 || size == failingSize) {
    ++failedAllocations;
    return nullptr;
  }
  return plainMalloc(size);
}

TEST(LoadUnloadSoak, MemoryAndHandlesStayFlatThenAWholeRunWorks) {
  host_imitation::HostImitation& host = FreshHost();
  // The loader's and the runtime's one-time allocations come with the first loads.
  for (int warmUp = 0; warmUp < 5; ++warmUp) LoadInitialiseUnload();
  const ProcessUse before = CurrentUse();
  const int cycles = SoakCycles();
  for (int cycle = 0; cycle < cycles && !HasFatalFailure(); ++cycle) LoadInitialiseUnload();
  EXPECT_EQ(GetModuleHandleA(PALISOR_PLUGIN_PATH), nullptr) << "the library stayed loaded";
  const ProcessUse after = CurrentUse();
  std::printf("%d cycles: committed memory %lld -> %lld bytes, handles %lld -> %lld\n", cycles,
              before.committed, after.committed, before.handles, after.handles);
  EXPECT_LE(after.committed - before.committed, kMemorySlack + kMemoryPerCycle * cycles)
      << cycles << " cycles: " << before.committed << " -> " << after.committed << " bytes";
  EXPECT_LE(after.handles - before.handles, kHandleSlack)
      << cycles << " cycles: " << before.handles << " -> " << after.handles << " handles";

  WholeRun(host);
  host.Reset();
  const ProcessUse afterRun = CurrentUse();
  EXPECT_LE(afterRun.handles - after.handles, kHandleSlack)
      << "a whole run: " << after.handles << " -> " << afterRun.handles << " handles";
}

// Every unload gives the C++ runtime's pool for exceptions under exhausted memory back; a library
// loaded again builds a new one. An exception thrown there while every allocation fails is caught
// inside the plug-in, which reports failure to the host, and later loads work as ever.
TEST(LoadUnloadSoak, AfterReloadsAnExceptionUnderExhaustedMemoryStaysInsideThePlugin) {
  host_imitation::HostImitation& host = FreshHost();
  for (int cycle = 0; cycle < 5; ++cycle) LoadInitialiseUnload();
  {
    host_imitation::PluginModule plugin;
    ASSERT_TRUE(plugin.Load(PALISOR_PLUGIN_PATH)) << plugin.error;
    ASSERT_TRUE(plugin.Initialise()) << plugin.error;
    void** const malloc = ImportSlot(GetModuleHandleA(PALISOR_PLUGIN_PATH), "malloc");
    ASSERT_NE(malloc, nullptr);
    host_imitation::HostDocument& document = host.NewDocument();
    for (const char* name : {"face", "head"}) {
      host.AddObject(document, name, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})
          .intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    }
    plainMalloc = reinterpret_cast<void* (*)(std::size_t)>(*malloc);
    allocationSizes.reserve(1024);
    // First with the exception object allocated as usual, which tells its size; then with it
    // coming from the emergency pool.
    for (int round = 0; round < 2; ++round) {
      failedAllocations = 0;
      allocationSizes.clear();
      int32_t result = 1;
      {
        const RedirectedImport exhausted(malloc, reinterpret_cast<void*>(&FailingMalloc));
        result = plugin.MQModifyObject(0, document.handle());
      }
      EXPECT_EQ(result, 0) << "round " << round;
      ASSERT_GE(allocationSizes.size(), 2u) << "round " << round;
      EXPECT_EQ(failedAllocations, round == 0 ? 1 : 2) << "round " << round;
      failingSize = allocationSizes[1];
    }
    EXPECT_TRUE(host.misuse().empty()) << host.misuse().front();
  }
  EXPECT_EQ(GetModuleHandleA(PALISOR_PLUGIN_PATH), nullptr) << "the library stayed loaded";
  WholeRun(host);
}

}  // namespace
