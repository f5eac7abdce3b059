// Symbol visibility of the public interface.  The library is built with
// hidden visibility; everything a caller may use is marked ZL_EXPORT.
#ifndef ZLDBCTRL70_EXPORT_H_
#define ZLDBCTRL70_EXPORT_H_

#define ZL_EXPORT __attribute__((visibility("default")))

#endif  // ZLDBCTRL70_EXPORT_H_
