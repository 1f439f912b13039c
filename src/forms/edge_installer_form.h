#pragma once

#include "forms/form.h"

#include <cstdint>
#include <memory>

namespace tessera {

// The small window that shows work going on while the web engine's
// installer runs: a rounded 80 x 80 pop-up with an animated indicator. The
// user cannot close it; it goes with the process.
class TEdgeInstallerForm : public TForm {
public:
  static constexpr int kClientSize = 80;

  explicit TEdgeInstallerForm(Toolkit& toolkit);

  void SetFormColor(TColor color);
  // 0 black, 1 white; other values keep white.
  void SetIndicatorColor(std::int32_t color);
  // 0 momentum dots, 1 rotating sector, 2 sector ring; other values keep the
  // momentum dots.
  void SetIndicatorType(std::int32_t type);

  ToolkitActivityIndicator& ActivityIndicator() { return *FActivityIndicator; }

protected:
  void FormCloseQuery(bool& canClose) override;

private:
  void FormCreate();

  std::unique_ptr<ToolkitActivityIndicator> FActivityIndicator;
};

} // namespace tessera
