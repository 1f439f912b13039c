#include "startup/localized_messages.h"

#include "base/exceptions.h"

#include <array>

namespace tessera {

namespace {

using TMessageColumn = std::array<const char*, 10>;

// English first (the default), then the translations in the order they are
// searched.
constexpr std::array<TMessageColumn, 6> kMessageTable = {{
    {
        "en",
        "Error",
        "Confirm",
        "Accept",
        "Cancel",
        "This is not a valid Windows application.",
        "The Microsoft WebView2 runtime is required to run this application. This application "
        "cannot continue and will be closed now.",
        "The Microsoft WebView2 runtime is required to run this application. Do you want to "
        "install it now?",
        "This application cannot continue and will be closed now.",
        "You cancel the installation of Microsoft WebView2 runtime, This application cannot "
        "continue and will be closed now.",
    },
    {
        "es",
        "Error",
        "Confirmar",
        "Aceptar",
        "Cancelar",
        "Esta no es una aplicación de Windows válida.",
        "El Microsoft WebView2 runtime es necesario para esta aplicación. Esta aplicación no puede "
        "continuar y se cerrará ahora.",
        "El Microsoft WebView2 runtime es necesario para esta aplicación. ¿Quiere instalarlo "
        "ahora?",
        "Esta aplicación no puede continuar y se cerrará ahora.",
        "Ha cancelado la instalación de Microsoft WebView2 runtime. Esta aplicación no puede "
        "continuar y se cerrará ahora.",
    },
    {
        "it",
        "Errore",
        "Confermare",
        "Accettare",
        "Annulla",
        "Questa non è un'applicazione Windows valida.",
        "Il runtime di Microsoft WebView2 è necessario per eseguire questa applicazione. Questa "
        "applicazione non può continuare e verrà chiusa ora.",
        "Il runtime di Microsoft WebView2 è necessario per eseguire questa applicazione. Vuoi "
        "installarlo ora?",
        "Questa applicazione non può continuare e verrà chiusa ora.",
        "Annulla l'installazione del runtime di Microsoft WebView2, questa applicazione non può "
        "continuare e verrà chiusa ora.",
    },
    {
        "de",
        "Error",
        "Bestätigen",
        "Akzeptieren",
        "Stornieren",
        "Dies ist keine gültige Windows-Anwendung.",
        "Die Microsoft WebView2-Laufzeit ist erforderlich, um diese Anwendung auszuführen. Diese "
        "Anwendung kann nicht fortgesetzt werden und wird jetzt geschlossen.",
        "Die Microsoft WebView2-Laufzeit ist erforderlich, um diese Anwendung auszuführen. Möchten "
        "Sie es jetzt installieren?",
        "Diese Anwendung kann nicht fortgesetzt werden und wird jetzt geschlossen.",
        "Sie brechen die Installation der Microsoft WebView2-Laufzeit ab. Diese Anwendung kann "
        "nicht fortgesetzt werden und wird jetzt geschlossen.",
    },
    {
        "fr",
        "Erreur",
        "Confirmer",
        "J'accepte",
        "Annuler",
        "Ce n'est pas une application Windows valide.",
        "Le runtime Microsoft WebView2 est requis pour exécuter cette application. Cette "
        "application ne peut pas continuer et sera fermée maintenant.",
        "Le runtime Microsoft WebView2 est requis pour exécuter cette application. Voulez-vous "
        "l'installer maintenant?",
        "Cette application ne peut pas continuer et sera fermée maintenant.",
        "Vous annulez l'installation du runtime Microsoft WebView2. Cette application ne peut pas "
        "continuer et sera fermée maintenant.",
    },
    {
        "zh",
        "错误",
        "确认",
        "接受",
        "取消",
        "这不是有效的Windows应用程序。",
        "运行此应用程序需要Microsoft WebView2运行时。 该应用程序无法继续，将立即关闭。",
        "运行此应用程序需要Microsoft WebView2运行时。 您要立即安装吗？",
        "此应用程序无法继续，将立即关闭。",
        "您取消了Microsoft WebView2运行时的安装，此应用程序无法继续，将立即关闭。",
    },
}};

} // namespace

std::string GetUserLanguage(OsServices& os) {
  return os.GetUserLanguage();
}

std::string GetLocalizedMessage(OsServices& os, int index) {
  if (index < 0 || index > 9)
    throw Exception("MessageIndex is out of range!");
  const std::string language = GetUserLanguage(os);
  const auto slot = static_cast<size_t>(index);
  // The code comparison is exact: "ES" finds no table and reads English.
  for (size_t row = 1; row < kMessageTable.size(); ++row) {
    if (language == kMessageTable[row][0])
      return kMessageTable[row][slot];
  }
  return kMessageTable[0][slot];
}

TModalResult LocalizedMessageDlg(Toolkit& toolkit, const std::string& text, TMessageDialogKind kind,
                                 TMessageDialogButtons buttons,
                                 const std::vector<std::string>& captions,
                                 const std::string& windowCaption) {
  TMessageDialogRequest request;
  request.Text = text;
  request.Kind = kind;
  request.Buttons = buttons;
  request.Captions = captions;
  request.WindowCaption = windowCaption;
  return toolkit.MessageDialog(request);
}

void ShowLocalizedError(OsServices& os, Toolkit& toolkit, int messageIndex) {
  LocalizedMessageDlg(toolkit, GetLocalizedMessage(os, messageIndex), TMessageDialogKind::Error,
                      TMessageDialogButtons::OK, {GetLocalizedMessage(os, kMsgAcceptButton)},
                      GetLocalizedMessage(os, kMsgErrorCaption));
}

} // namespace tessera
