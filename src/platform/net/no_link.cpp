// The relay link of a build that has none yet (the browser, the
// template backend): every link closes at once and says so.
#include "platform/net/relay_link.h"

namespace {

const std::string NoLink = "this build of the game cannot reach a relay";
const std::string None;

}  // namespace

void StartRelayLink(const std::string&, uint16_t) {}
void PollRelayLink() {}
void SendOnRelayLink(std::span<const uint8_t>) {}
bool TakeRelayLinkMessage(MessageBytes&) { return false; }
LinkState RelayLinkState() { return LinkState::Closed; }
const std::string& RelayLinkProblem() { return NoLink; }
void CloseRelayLink() {}
