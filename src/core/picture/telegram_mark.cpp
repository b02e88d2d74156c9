#include "core/picture/telegram_mark.hpp"

namespace kestrove::TelegramMark {

const VectorPath& path() {
    static const VectorPath parsed = SVGPath::path(svg);
    return parsed;
}

}  // namespace kestrove::TelegramMark
