#pragma once

#include <glib-object.h>

#include <utility>

namespace tessera::webkitgtk {

// Owns one reference on a GObject (or derived) instance.
template <typename T> class TGObject {
public:
  TGObject() = default;
  // Takes over a reference the caller already owns.
  explicit TGObject(T* object) : FObject(object) {}
  ~TGObject() { Reset(); }
  TGObject(const TGObject& other) : FObject(other.FObject) {
    if (FObject != nullptr)
      g_object_ref(FObject);
  }
  TGObject& operator=(const TGObject& other) {
    TGObject copy(other);
    std::swap(FObject, copy.FObject);
    return *this;
  }
  TGObject(TGObject&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  TGObject& operator=(TGObject&& other) noexcept {
    TGObject moved(std::move(other));
    std::swap(FObject, moved.FObject);
    return *this;
  }

  // Adds a reference of our own (sinking a floating one).
  static TGObject Retain(T* object) {
    if (object != nullptr)
      g_object_ref_sink(object);
    return TGObject(object);
  }

  void Reset() {
    if (FObject != nullptr)
      g_object_unref(std::exchange(FObject, nullptr));
  }
  T* Get() const { return FObject; }
  explicit operator bool() const { return FObject != nullptr; }

private:
  T* FObject = nullptr;
};

// Owns a GError filled in by a GLib call.
class TGError {
public:
  TGError() = default;
  ~TGError() {
    if (FError != nullptr)
      g_error_free(FError);
  }
  TGError(const TGError&) = delete;
  TGError& operator=(const TGError&) = delete;

  GError** Out() { return &FError; }
  GError* Get() const { return FError; }
  explicit operator bool() const { return FError != nullptr; }

private:
  GError* FError = nullptr;
};

// Owns a string or buffer allocated with g_malloc.
template <typename T> class TGFree {
public:
  TGFree() = default;
  explicit TGFree(T* memory) : FMemory(memory) {}
  ~TGFree() { g_free(FMemory); }
  TGFree(const TGFree&) = delete;
  TGFree& operator=(const TGFree&) = delete;

  T** Out() { return &FMemory; }
  T* Get() const { return FMemory; }
  explicit operator bool() const { return FMemory != nullptr; }

private:
  T* FMemory = nullptr;
};

using TGChars = TGFree<gchar>;

} // namespace tessera::webkitgtk
