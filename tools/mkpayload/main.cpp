// mkpayload: builds the payload archive from an entry list and the folders
// that hold the listed files.
//   mkpayload --list FILE --out ZIP --root DIR [--root DIR ...] [--mtime UNIXTIME]
// A file is taken from the first root that has it. --mtime fixes every
// entry's time (reproducible archives); otherwise the files' own times count.
#include "tools/mkpayload/entry_list.h"
#include "tools/mkpayload/zip_writer.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vx::mkpayload::ListedEntry;

std::optional<std::vector<uint8_t>> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string HostPath(const std::string& root, const std::string& listed) {
    std::string p = root + "/" + listed;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

int Run(int argc, char** argv) {
    std::string listPath, outPath;
    std::vector<std::string> roots;
    std::optional<int64_t> fixedTime;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (i + 1 >= argc) throw std::runtime_error("missing value after " + a);
        std::string v = argv[++i];
        if (a == "--list") listPath = v;
        else if (a == "--out") outPath = v;
        else if (a == "--root") roots.push_back(v);
        else if (a == "--mtime") fixedTime = std::stoll(v);
        else throw std::runtime_error("unknown option " + a);
    }
    if (listPath.empty() || outPath.empty() || roots.empty())
        throw std::runtime_error(
            "usage: mkpayload --list FILE --out ZIP --root DIR [--root DIR ...] [--mtime UNIXTIME]");
    auto listBytes = ReadFile(listPath);
    if (!listBytes) throw std::runtime_error("cannot read " + listPath);
    std::vector<ListedEntry> entries = vx::mkpayload::ParseEntryList(
        std::string_view(reinterpret_cast<const char*>(listBytes->data()), listBytes->size()));

    vx::mkpayload::ZipWriter zip;
    for (const ListedEntry& e : entries) {
        if (e.folder) {
            zip.AddFolder(e.archiveName, fixedTime.value_or(static_cast<int64_t>(std::time(nullptr))));
            continue;
        }
        std::optional<std::vector<uint8_t>> data;
        int64_t mtime = 0;
        for (const std::string& root : roots) {
            std::string p = HostPath(root, e.path);
            struct stat st {};
            if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (data = ReadFile(p))) {
                mtime = st.st_mtime;
                break;
            }
        }
        if (!data) throw std::runtime_error("not found in any root: " + e.path);
        zip.AddFile(e.archiveName, *data, fixedTime.value_or(mtime));
    }
    const std::vector<uint8_t>& bytes = zip.Finish();
    std::string tmp = outPath + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + tmp);
    }
    if (std::rename(tmp.c_str(), outPath.c_str()) != 0) throw std::runtime_error("cannot write " + outPath);
    std::cout << outPath << ": " << entries.size() << " entries, " << bytes.size() << " bytes\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "mkpayload: " << e.what() << "\n";
        return 1;
    }
}
