#include "base/exceptions.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"
#include "bridge/page_events.h"
#include "package/zip_archive.h"

#include <optional>
#include <string>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {12001, &TBrowserExternalModule::MainMenuSetItems},
    {12002, &TBrowserExternalModule::MainMenuUpdateItem},
    {14001, &TBrowserExternalModule::TrayMenuShowIcon},
    {14002, &TBrowserExternalModule::TrayMenuHideIcon},
    {14003, &TBrowserExternalModule::TrayMenuSetItems},
    {14004, &TBrowserExternalModule::TrayMenuUpdateItem},
};

// An array element that should be an item object.
const TJsonValue& ItemObject(const TJsonValue& element) {
  if (!element.IsObject()) {
    throw EConvertError("A menu item is not a JSON object");
  }
  return element;
}

} // namespace

const std::span<const THandlerBinding> kMenuHandlers = kBindings;

TPageMenu& TBrowserExternalModule::PageMenu(TMenuKind kind) {
  return kind == TMenuKind::Main ? FBrowserExternalForm->MainMenu : FBrowserExternalForm->TrayMenu;
}

void TBrowserExternalModule::MainMenuSetItems(const std::string& uuid, const TJsonValue& data) {
  if (RuntimeOnly(BridgeFunction("MainMenuSetItems")))
    SetMenuItems(TMenuKind::Main, uuid, data);
}

void TBrowserExternalModule::MainMenuUpdateItem(const std::string& uuid, const TJsonValue& data) {
  if (RuntimeOnly(BridgeFunction("MainMenuUpdateItem")))
    UpdateMenuItem(TMenuKind::Main, uuid, data);
}

void TBrowserExternalModule::TrayMenuShowIcon(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("TrayMenuShowIcon")))
    return;
  FBrowserExternalForm->TrayIcon->SetVisible(true);
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::TrayMenuHideIcon(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("TrayMenuHideIcon")))
    return;
  FBrowserExternalForm->TrayIcon->SetVisible(false);
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::TrayMenuSetItems(const std::string& uuid, const TJsonValue& data) {
  if (RuntimeOnly(BridgeFunction("TrayMenuSetItems")))
    SetMenuItems(TMenuKind::Tray, uuid, data);
}

void TBrowserExternalModule::TrayMenuUpdateItem(const std::string& uuid, const TJsonValue& data) {
  if (RuntimeOnly(BridgeFunction("TrayMenuUpdateItem")))
    UpdateMenuItem(TMenuKind::Tray, uuid, data);
}

void TBrowserExternalModule::TrayIconClick() {
  RunPageScript(TrayIconClickScript());
}

void TBrowserExternalModule::SetMenuItems(TMenuKind kind, const std::string& uuid,
                                          const TJsonValue& data) {
  const std::string itemsText = GetJsonString(data, "items", "");
  if (itemsText.empty()) {
    PostCallFailure(uuid, "\"Missing menu items\"");
    return;
  }
  TPageMenu& menu = PageMenu(kind);
  if (kind == TMenuKind::Main) {
    MainForm().SetMenu(menu.Menu.get());
    FMainMenuShown = true;
  }
  const std::optional<TJsonValue> items = ParseJson(itemsText);
  if (!items || !items->IsArray()) {
    PostCallFailure(uuid, "\"Wrong menu items JSON\"");
    menu.ClearItems();
    return;
  }
  // A menu with items is replaced only through an empty list first.
  if (menu.Menu->Count() > 0 && !items->Items().empty()) {
    PostCallSuccess(uuid, "true");
    return;
  }
  menu.ClearItems();
  menu.Images.Clear();
  for (const TJsonValue& element : items->Items()) {
    // Checked before the item is made, so no blank item stays behind.
    const TJsonValue& object = ItemObject(element);
    ToolkitMenuItem& item = menu.Menu->AddItem(nullptr);
    TMenuNode& node = *menu.Items.emplace_back(std::make_unique<TMenuNode>());
    node.Item = &item;
    if (!BuildMenuItem(kind, uuid, object, node))
      return;
  }
  PostCallSuccess(uuid, "true");
}

bool TBrowserExternalModule::BuildMenuItem(TMenuKind kind, const std::string& uuid,
                                           const TJsonValue& object, TMenuNode& node) {
  TPageMenu& menu = PageMenu(kind);
  const std::optional<std::string> caption = TryGetJsonString(object, "caption");
  const std::optional<std::string> id = TryGetJsonString(object, "id");
  const TJsonValue* items = object.Find("items");
  const auto fail = [&] {
    PostCallFailure(uuid, "\"Wrong menu item JSON\"");
    menu.ClearItems();
    return false;
  };
  if (!caption || !id)
    return fail();

  node.Tag = DecimalIntegerFromText(*id).value_or(0);
  node.Item->SetCaption(*caption);
  if (const std::optional<std::string> enabled = TryGetJsonString(object, "enabled"))
    node.Item->SetEnabled(TextToBoolean(*enabled));
  if (const std::optional<std::string> image = TryGetJsonString(object, "image"))
    LoadMenuImage(menu, *image, node);

  if (items == nullptr) {
    const std::int32_t tag = node.Tag;
    node.Item->OnClick = [this, kind, tag] {
      RunPageScript(kind == TMenuKind::Main ? MainMenuItemClickScript(tag)
                                            : TrayMenuItemClickScript(tag));
    };
    return true;
  }
  if (!items->IsArray())
    return fail();
  for (const TJsonValue& element : items->Items()) {
    const TJsonValue& childObject = ItemObject(element);
    ToolkitMenuItem& child = menu.Menu->AddItem(node.Item);
    TMenuNode& childNode = *node.Children.emplace_back(std::make_unique<TMenuNode>());
    childNode.Item = &child;
    if (!BuildMenuItem(kind, uuid, childObject, childNode))
      return false;
  }
  return true;
}

void TBrowserExternalModule::LoadMenuImage(TPageMenu& menu, const std::string& image,
                                           TMenuNode& node) {
  // The package entry of that full name, then a file beside the program,
  // then the text as a path of its own.
  std::string bytes;
  if (FExeZip != nullptr && FExeZip->IndexOf(image) >= 0) {
    if (const auto entry = FExeZip->ExtractBytes(image))
      bytes.assign(entry->begin(), entry->end());
  } else {
    const std::string besideProgram = (FWebView != nullptr ? FWebView->AppDirPath() : "") + image;
    if (FOs.FileExists(besideProgram)) {
      FOs.LoadBytesFromFile(besideProgram, bytes);
    } else if (FOs.FileExists(image)) {
      FOs.LoadBytesFromFile(image, bytes);
    }
  }
  if (bytes.empty())
    return;
  // Bytes the system cannot decode leave the item's image as it was.
  std::shared_ptr<const ToolkitImage> decoded = FToolkit.DecodeImage(bytes);
  if (!decoded)
    return;
  const int index = menu.Images.Count();
  std::string name = std::string(menu.ImagePrefix) + std::to_string(index);
  menu.Images.Add(name, decoded);
  node.ImageName = std::move(name);
  node.ImageIndex = index;
  node.Item->SetImage(std::move(decoded));
}

void TBrowserExternalModule::UpdateMenuItem(TMenuKind kind, const std::string& uuid,
                                            const TJsonValue& data) {
  const std::string idText = GetJsonString(data, "id", "");
  if (idText.empty()) {
    PostCallFailure(uuid, "\"Missing item ID\"");
    return;
  }
  const std::optional<std::int32_t> id = DecimalIntegerFromText(idText);
  if (!id || *id == -1) {
    PostCallFailure(uuid, "\"Wrong item ID\"");
    return;
  }
  TPageMenu& menu = PageMenu(kind);
  if (menu.Menu->Count() == 0) {
    PostCallFailure(uuid, "\"No menu items\"");
    return;
  }
  if (TMenuNode* node = menu.FindMenuItemByTag(*id)) {
    const std::string caption = GetJsonString(data, "caption", "");
    const std::string enabled = GetJsonString(data, "enabled", "");
    const std::string image = GetJsonString(data, "image", "");
    if (!caption.empty())
      node->Item->SetCaption(caption);
    if (!enabled.empty())
      node->Item->SetEnabled(TextToBoolean(enabled));
    if (!image.empty())
      LoadMenuImage(menu, image, *node);
  }
  PostCallSuccess(uuid, "true");
}

} // namespace tessera
