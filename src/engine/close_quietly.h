// Closing engine objects on paths that are already releasing or failing.
#ifndef ZLDBCTRL70_ENGINE_CLOSE_QUIETLY_H_
#define ZLDBCTRL70_ENGINE_CLOSE_QUIETLY_H_

namespace zl {

// Closes an engine object (database, table definition or recordset),
// swallowing errors: closing fails only when the file went away, and the
// object is released regardless.  Null does nothing.
template <class T>
void CloseQuietly(T* object) {
  if (object == nullptr) return;
  try {
    object->Close();
  } catch (...) {
  }
}

// Closes quietly, deletes and nulls the pointer.
template <class T>
void CloseAndDelete(T*& object) {
  CloseQuietly(object);
  delete object;
  object = nullptr;
}

}  // namespace zl

#endif  // ZLDBCTRL70_ENGINE_CLOSE_QUIETLY_H_
