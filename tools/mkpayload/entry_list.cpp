#include "tools/mkpayload/entry_list.h"

#include <set>
#include <stdexcept>

namespace vx::mkpayload {
namespace {

std::string FoldCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void CheckPath(std::string_view path) {
    if (path.empty()) throw std::runtime_error("empty path");
    if (path.find('/') != std::string_view::npos) throw std::runtime_error("\"/\" in a path (use \"\\\")");
    if (path.find(':') != std::string_view::npos) throw std::runtime_error("drive or stream in a path");
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty() || part == "." || part == "..") throw std::runtime_error("empty, \".\" or \"..\" path level");
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

}  // namespace

std::vector<ListedEntry> ParseEntryList(std::string_view text) {
    std::vector<ListedEntry> entries;
    std::set<std::string> seen, folders;
    size_t lineNo = 0;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        try {
            ListedEntry e;
            e.folder = line.back() == '\\';
            e.path = std::string(e.folder ? line.substr(0, line.size() - 1) : line);
            CheckPath(e.path);
            std::string key = FoldCase(e.path);
            if (!seen.insert(key).second) throw std::runtime_error("listed twice");
            size_t cut = key.rfind('\\');
            if (cut != std::string::npos && !folders.count(key.substr(0, cut)))
                throw std::runtime_error("its folder is not listed before it");
            if (e.folder) folders.insert(key);
            // Separators are swapped before the conversion: in GBK a trail
            // byte may equal "\".
            std::string slashed = e.path;
            for (char& c : slashed)
                if (c == '\\') c = '/';
            e.archiveName = Utf8ToGbk(slashed) + (e.folder ? "/" : "");
            entries.push_back(std::move(e));
        } catch (const std::runtime_error& err) {
            throw std::runtime_error("line " + std::to_string(lineNo) + " (" + std::string(line) + "): " + err.what());
        }
    }
    return entries;
}

}  // namespace vx::mkpayload
