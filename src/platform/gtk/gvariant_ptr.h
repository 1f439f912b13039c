#pragma once

#include <glib.h>

#include <utility>

namespace tessera::gtk {

// Holds one reference to a GVariant, sinking a floating one when it takes
// it, and drops it when it goes.
class TGVariantPtr {
public:
  TGVariantPtr() = default;
  explicit TGVariantPtr(GVariant* value)
      : FValue(value != nullptr ? g_variant_ref_sink(value) : nullptr) {}
  ~TGVariantPtr() { Reset(); }
  TGVariantPtr(const TGVariantPtr&) = delete;
  TGVariantPtr& operator=(const TGVariantPtr&) = delete;
  TGVariantPtr(TGVariantPtr&& other) noexcept : FValue(std::exchange(other.FValue, nullptr)) {}
  TGVariantPtr& operator=(TGVariantPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      FValue = std::exchange(other.FValue, nullptr);
    }
    return *this;
  }

  GVariant* Get() const { return FValue; }
  explicit operator bool() const { return FValue != nullptr; }
  void Reset() {
    if (FValue != nullptr) {
      g_variant_unref(std::exchange(FValue, nullptr));
    }
  }

private:
  GVariant* FValue = nullptr;
};

} // namespace tessera::gtk
