#include "KeyEvents.h"

namespace platform {

void PrintTo(const KeyEvent& e, std::ostream* os) {
    *os << "{type " << quint32(e.type) << ", key " << e.keyCode << ", flags 0x" << std::hex << e.flags
        << std::dec << (e.autoRepeat ? ", repeat" : "");
    if (!e.unmodifiedCharacters.isEmpty())
        *os << ", \"" << e.unmodifiedCharacters.toStdString() << "\"";
    *os << "}";
}

} // namespace platform
