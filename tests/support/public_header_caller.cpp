// A caller that includes only the umbrella header and links the shared
// library: it must compile, link and run with nothing else.
#include <cstdio>

#include "zldbctrl70.h"

int main() {
  CString text("caller");
  text += " ok";
  COleVariant value(text);
  if (value.vt != VT_BSTR || text != V_BSTRT(&value)) return 1;
  HGLOBAL block = GlobalAlloc(GHND, 16);
  if (GlobalSize(block) != 16) return 1;
  GlobalFree(block);
  std::printf("%s\n", text.GetString());
  return 0;
}
