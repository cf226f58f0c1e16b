// peimports --allow a.dll,b.dll image...
// Lists the DLLs each image imports and fails (exit 1) when one imports at
// load time a DLL outside the allow-list, or cannot be read.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/peimports/pe_imports.h"

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? "-" : out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::string(argv[1]) != "--allow") {
        std::fprintf(stderr, "usage: peimports --allow a.dll,b.dll image...\n");
        return 2;
    }
    std::vector<std::string> allowed;
    std::istringstream list(argv[2]);
    for (std::string name; std::getline(list, name, ',');)
        if (!name.empty()) allowed.push_back(name);
    int result = 0;
    for (int i = 3; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::string error;
        std::optional<vx::pe::Imports> imports = vx::pe::ReadImports(bytes, &error);
        if (!file || !imports) {
            std::printf("%s: cannot read imports: %s\n", argv[i], file ? error.c_str() : "cannot open");
            result = 1;
            continue;
        }
        std::printf("%s\n  load time: %s\n  delayed: %s\n", argv[i], Joined(imports->loadTime).c_str(),
                    Joined(imports->delayed).c_str());
        for (const std::string& dll : imports->loadTime)
            if (!vx::pe::NameListed(dll, allowed)) {
                std::printf("  %s is imported at load time and is not on the allow-list\n", dll.c_str());
                result = 1;
            }
    }
    return result;
}
