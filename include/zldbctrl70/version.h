// The library's own version numbers.
#ifndef ZLDBCTRL70_VERSION_H_
#define ZLDBCTRL70_VERSION_H_

#define ZLDBCTRL70_VERSION_STRING "7.0.0"

#endif  // ZLDBCTRL70_VERSION_H_
