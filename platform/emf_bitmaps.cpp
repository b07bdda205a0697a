// The player's bitmap records and pattern brushes.
#include "platform/emf_player_state.h"

namespace platform {

void Player::CreatePatternBrush(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kBrush;
  o->brush = {kBrushSolid, 0x808080, 0, {}};
}

void Player::Bitmap(const EmfRecord&) {}

}  // namespace platform
