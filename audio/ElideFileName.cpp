#include "audio/ElideFileName.h"

namespace tressel {

std::string ElideFileName(const std::string& text) {
    const std::size_t n = text.size();
    if (n <= 60) {
        return text;
    }
    const std::size_t k = n - 60;
    std::size_t i = text.find_first_of("/\\", k);
    if (i == std::string::npos) {
        i = n;
    }
    if (n - i < 20) {
        i = k;
    }
    return "..." + text.substr(i);
}

}  // namespace tressel
