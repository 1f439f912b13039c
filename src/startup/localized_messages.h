#pragma once

#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"

#include <string>
#include <vector>

namespace tessera {

// The messages start-up shows before any page exists, by index: 0 is the
// language code of the table used, 1-9 the texts below.
enum TStartupMessage : int {
  kMsgLanguageCode = 0,
  kMsgErrorCaption = 1,
  kMsgConfirmCaption = 2,
  kMsgAcceptButton = 3,
  kMsgCancelButton = 4,
  kMsgNotAnApplication = 5,
  kMsgRuntimeRequired = 6,
  kMsgInstallRuntimeQuestion = 7,
  kMsgInstallDeclined = 8,
  kMsgRuntimeStillMissing = 9,
};

// The ISO 639 name of the user's language as the system reports it.
std::string GetUserLanguage(OsServices& os);

// The message with that index in the user's language (English when the
// language has no table). Asks the system for the language on every call.
// Raises Exception "MessageIndex is out of range!" for an index outside 0-9.
std::string GetLocalizedMessage(OsServices& os, int index);

// Shows the toolkit's modal message dialog with the buttons recaptioned in
// order, and returns the result of the button that closed it.
TModalResult LocalizedMessageDlg(Toolkit& toolkit, const std::string& text, TMessageDialogKind kind,
                                 TMessageDialogButtons buttons,
                                 const std::vector<std::string>& captions,
                                 const std::string& windowCaption);

// The error dialog start-up shows for a message: caption message 1, one
// button captioned with message 3.
void ShowLocalizedError(OsServices& os, Toolkit& toolkit, int messageIndex);

} // namespace tessera
