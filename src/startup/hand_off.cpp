#include "startup/hand_off.h"

namespace tessera {

bool TakeHandOff(OsServices& os, const std::string& appID) {
  const std::string name(kHandOffVariable);
  const std::optional<std::string> proof = os.GetEnvironmentValue(name);
  if (!proof)
    return false;
  os.RemoveEnvironmentValue(name);
  return os.IsHandOffTokenValid(appID, *proof);
}

void OfferHandOff(OsServices& os, const std::string& appID) {
  const std::string proof = os.PublishHandOffToken(appID);
  if (!proof.empty())
    os.SetEnvironmentValue(std::string(kHandOffVariable), proof);
}

} // namespace tessera
