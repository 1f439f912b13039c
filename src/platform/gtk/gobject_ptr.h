#pragma once

#include <glib-object.h>

#include <utility>

namespace tessera::gtk {

// Holds one reference to a GObject (a widget, a pixbuf, a CSS provider) and
// drops it when it goes.
template <typename T> class TGObjectPtr {
public:
  TGObjectPtr() = default;
  // Takes over a reference the caller owns (a full-transfer return value).
  explicit TGObjectPtr(T* object) : FObject(object) {}
  ~TGObjectPtr() { Reset(); }
  TGObjectPtr(const TGObjectPtr&) = delete;
  TGObjectPtr& operator=(const TGObjectPtr&) = delete;
  TGObjectPtr(TGObjectPtr&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  TGObjectPtr& operator=(TGObjectPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      FObject = std::exchange(other.FObject, nullptr);
    }
    return *this;
  }

  // Adds a reference of our own, sinking a floating one (new widgets).
  static TGObjectPtr Retain(T* object) {
    if (object != nullptr) {
      g_object_ref_sink(object);
    }
    return TGObjectPtr(object);
  }

  T* Get() const { return FObject; }
  explicit operator bool() const { return FObject != nullptr; }

  void Reset() {
    if (FObject != nullptr) {
      g_object_unref(std::exchange(FObject, nullptr));
    }
  }

private:
  T* FObject = nullptr;
};

} // namespace tessera::gtk
