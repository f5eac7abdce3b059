#include "zldbctrl70/platform/globalmem.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

// Handle values are never addresses: a counter that only grows, placed in a
// range no user-space pointer can take on 64-bit systems, so neither a
// freed handle nor a stray pointer ever names a live block.
#if UINTPTR_MAX > 0xFFFFFFFFu
constexpr uintptr_t kHandleBase = 0x5A4C000000000000u;
#else
constexpr uintptr_t kHandleBase = 0x10000u;
#endif
constexpr uintptr_t kHandleStep = 16;

// Larger requests are refused up front rather than handed to malloc.
constexpr size_t kMaxBlockSize = PTRDIFF_MAX;

struct CBlock {
  void* data;   // malloc'ed; at least one byte so a lock never yields null
  size_t size;  // bytes the caller asked for
  UINT flags;
  unsigned locks;
};

struct CBlockTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, CBlock> blocks;
  uintptr_t nextHandle = kHandleBase;
};

// Never destroyed: blocks may still be freed by other objects' destructors
// while the process exits.
CBlockTable& Table() {
  static CBlockTable* table = new CBlockTable;
  return *table;
}

uintptr_t Key(HGLOBAL h) { return reinterpret_cast<uintptr_t>(h); }

CBlock* Find(CBlockTable& table, HGLOBAL h) {
  auto it = table.blocks.find(Key(h));
  return it == table.blocks.end() ? nullptr : &it->second;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes) {
  if (dwBytes > kMaxBlockSize) return nullptr;
  size_t bytes = dwBytes == 0 ? 1 : dwBytes;
  void* data = (uFlags & GMEM_ZEROINIT) != 0 ? std::calloc(1, bytes) : std::malloc(bytes);
  if (data == nullptr) return nullptr;
  CBlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  uintptr_t key = table.nextHandle;
  try {
    table.blocks.emplace(key, CBlock{data, dwBytes, uFlags, 0});
  } catch (const std::bad_alloc&) {
    std::free(data);
    return nullptr;
  }
  table.nextHandle += kHandleStep;
  return reinterpret_cast<HGLOBAL>(key);
}

void* GlobalLock(HGLOBAL hMem) {
  CBlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  CBlock* block = Find(table, hMem);
  if (block == nullptr) return nullptr;
  ++block->locks;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  CBlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  CBlock* block = Find(table, hMem);
  if (block == nullptr) return FALSE;
  if (block->locks > 0) --block->locks;
  return block->locks > 0 ? TRUE : FALSE;
}

size_t GlobalSize(HGLOBAL hMem) {
  CBlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  CBlock* block = Find(table, hMem);
  return block == nullptr ? 0 : block->size;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags) {
  if (dwBytes > kMaxBlockSize) return nullptr;
  CBlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  CBlock* block = Find(table, hMem);
  if (block == nullptr) return nullptr;
  size_t bytes = dwBytes == 0 ? 1 : dwBytes;
  void* data = std::realloc(block->data, bytes);
  if (data == nullptr) return nullptr;  // realloc left the old block as it was
  // Growth is zero-filled when asked now or when the block was made that way.
  if (dwBytes > block->size && ((uFlags | block->flags) & GMEM_ZEROINIT) != 0) {
    std::memset(static_cast<char*>(data) + block->size, 0, dwBytes - block->size);
  }
  block->data = data;
  block->size = dwBytes;
  return hMem;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  CBlockTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.blocks.find(Key(hMem));
  if (it == table.blocks.end()) return hMem;
  std::free(it->second.data);
  table.blocks.erase(it);
  return nullptr;
}
