// wtc: compiles window sources into the program's window template.
//   wtc --procedures LIST --out TEMPLATE.bin [--cpp SOURCE.cpp] WINDOW...
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/wtc/wtc.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

int Usage() {
    std::fprintf(stderr, "usage: wtc --procedures LIST --out TEMPLATE.bin [--cpp SOURCE.cpp] WINDOW...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string procedures, out, cpp;
    std::vector<std::string> windows;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--procedures" || a == "--out" || a == "--cpp") && i + 1 < argc) {
            (a == "--procedures" ? procedures : a == "--out" ? out : cpp) = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            windows.push_back(a);
        }
    }
    if (procedures.empty() || out.empty() || windows.empty()) return Usage();
    try {
        wtc::Compiler compiler;
        compiler.LoadProceduresFile(procedures);
        for (const std::string& w : windows) compiler.AddWindowFile(w);
        std::vector<uint8_t> bytes = compiler.Build();
        if (!WriteFile(out, std::string(bytes.begin(), bytes.end()))) {
            std::fprintf(stderr, "wtc: cannot write %s\n", out.c_str());
            return 1;
        }
        if (!cpp.empty() && !WriteFile(cpp, wtc::EmbeddingSource(bytes) + wtc::AccessTableSource(compiler.Access()))) {
            std::fprintf(stderr, "wtc: cannot write %s\n", cpp.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wtc: %s\n", e.what());
        return 1;
    }
    return 0;
}
