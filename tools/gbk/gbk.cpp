#include "tools/gbk/gbk.h"

#include <iconv.h>

#include <stdexcept>

namespace vx::tools {

std::string Utf8ToGbk(std::string_view utf8) {
    if (utf8.empty()) return {};
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no UTF-8 to GBK conversion available");
    std::string in(utf8), out(utf8.size() * 2 + 4, '\0');
    char* inp = in.data();
    size_t inLeft = in.size();
    char* outp = out.data();
    size_t outLeft = out.size();
    size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0)
        throw std::runtime_error("text not representable in GBK: " + std::string(utf8));
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace vx::tools
