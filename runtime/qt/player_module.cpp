// The entry of the quillet-player module, which the player thread loads on the first preview.

#include <QtGlobal>

#include "runtime/qt/player_engine.h"

extern "C" Q_DECL_EXPORT quillet::PlayerEngine* quillet_make_player_engine(
    quillet::PlayerReports reports) {
    return quillet::MakeMediaPlayerEngine(std::move(reports));
}
