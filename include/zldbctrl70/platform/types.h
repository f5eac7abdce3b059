// Basic scalar types of the interface.  Sizes are fixed: WORD is 16 bits,
// DWORD and BOOL 32 bits; the _PTR integers, HANDLE, HGLOBAL and POSITION
// are pointer-sized (HANDLE, HGLOBAL and POSITION opaque values).
#ifndef ZLDBCTRL70_PLATFORM_TYPES_H_
#define ZLDBCTRL70_PLATFORM_TYPES_H_

#include <cstdint>

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint16_t LANGID;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* LPVOID;
typedef uint32_t UINT;
// Pointer-sized integers.
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t ULONG_PTR;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int32_t SCODE;

// An opaque iteration position of the collection classes; null ends a walk.
struct __POSITION {};
typedef __POSITION* POSITION;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#endif  // ZLDBCTRL70_PLATFORM_TYPES_H_
