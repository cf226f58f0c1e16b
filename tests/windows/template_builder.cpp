#include "tests/windows/template_builder.h"

namespace vx::test {
namespace {

void Put(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutZ(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
}
void PutBytes(std::vector<uint8_t>& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }

std::vector<uint8_t> UnitRecord(const UnitSpec& u) {
    std::vector<uint8_t> r;
    Put(r, u.type);
    Put(r, u.groupLink);
    for (int i = 0; i < 4; ++i) Put(r, 0);
    PutZ(r, u.name);
    PutZ(r, "");
    if (u.menuItem) {
        Put(r, 0);
        Put(r, 0);
        Put(r, u.flags);
        PutZ(r, u.caption);
        Put(r, static_cast<uint32_t>(u.handler));
        return r;
    }
    Put(r, 0);  // live object
    Put(r, static_cast<uint32_t>(u.left));
    Put(r, static_cast<uint32_t>(u.top));
    Put(r, static_cast<uint32_t>(u.width));
    Put(r, static_cast<uint32_t>(u.height));
    Put(r, 0);  // cursor
    Put(r, u.parent);
    Put(r, static_cast<uint32_t>(u.children.size()));
    for (uint32_t c : u.children) Put(r, c);
    Put(r, static_cast<uint32_t>(u.mousePointer.size()));
    PutBytes(r, u.mousePointer);
    PutZ(r, u.tag);
    Put(r, 0);
    Put(r, u.flags);
    Put(r, static_cast<uint32_t>(u.tabOrder));
    Put(r, static_cast<uint32_t>(u.events.size()));
    for (auto [event, offset] : u.events) {
        Put(r, static_cast<uint32_t>(event));
        Put(r, static_cast<uint32_t>(offset));
    }
    for (int i = 0; i < 5; ++i) Put(r, 0);
    PutBytes(r, u.typeData);
    return r;
}

}  // namespace

void Int(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(static_cast<uint32_t>(v) >> (8 * i)));
}
void Block(std::string& out, const std::string& bytes) {
    Int(out, static_cast<int32_t>(bytes.size()));
    out += bytes;
}

std::vector<uint8_t> BuildTemplate(const std::vector<WindowSpec>& windows) {
    std::vector<uint8_t> out;
    Put(out, static_cast<uint32_t>(windows.size() * 8));
    for (const WindowSpec& w : windows) Put(out, w.id);
    for (size_t i = 0; i < windows.size(); ++i) Put(out, 0);
    for (const WindowSpec& w : windows) {
        Put(out, static_cast<uint32_t>(w.firstWord));
        Put(out, w.classId);
        Put(out, 0);
        Put(out, 0);
        Put(out, static_cast<uint32_t>(w.units.size()));
        std::vector<uint8_t> table, records;
        std::vector<uint32_t> offsets;
        for (const UnitSpec& u : w.units) {
            offsets.push_back(static_cast<uint32_t>(records.size()));
            std::vector<uint8_t> rec = UnitRecord(u);
            Put(records, static_cast<uint32_t>(rec.size()));
            records.insert(records.end(), rec.begin(), rec.end());
        }
        for (const UnitSpec& u : w.units) Put(table, u.id);
        for (uint32_t o : offsets) Put(table, o);
        table.insert(table.end(), records.begin(), records.end());
        Put(out, static_cast<uint32_t>(table.size()));
        out.insert(out.end(), table.begin(), table.end());
    }
    return out;
}

std::string WindowData(const WindowFields& f) {
    std::string d;
    Int(d, 6);
    for (int32_t v : {f.borderStyle, f.pictureMode, static_cast<int32_t>(f.backColor), f.maxButton, f.minButton,
                      f.controlBox, f.position, f.closeButton, f.soundMode, f.enterMovesFocus, f.escapeCloses, f.f1Help,
                      f.helpTopic, f.showInTaskbar, f.dragAnywhere, f.shape, f.alwaysOnTop, 0})
        Int(d, v);
    Block(d, f.className);
    Block(d, f.backPicture);
    Block(d, "");  // icon
    Block(d, f.backSound);
    Block(d, f.caption);
    Block(d, "");  // help file
    return d;
}

std::string EditBoxData(const std::string& content, int32_t inputMode, int32_t multiLine, int32_t upDown) {
    std::string d;
    Int(d, 2);
    for (int32_t v : {1, 0x000000, 0xFFFFFF, 1, 0, multiLine, 0, 0, inputMode}) Int(d, v);
    d.push_back('*');
    d.push_back(0);
    for (int32_t v : {0, upDown, 0, 100, 0, 0}) Int(d, v);
    Block(d, "");  // font
    Block(d, content);
    Block(d, "");
    Block(d, "");
    return d;
}

std::string ButtonData(const std::string& caption, int32_t buttonType) {
    std::string d;
    Int(d, 1);
    Int(d, buttonType);
    Int(d, 1);
    Int(d, 1);
    Block(d, "");
    Block(d, "");
    Block(d, caption);
    return d;
}

std::string TimerData(int32_t interval) {
    std::string d;
    Int(d, 1);
    Int(d, interval);
    return d;
}

std::string PicBoxData(uint32_t backColor, const std::string& picture) {
    std::string d;
    Int(d, 2);
    for (int32_t v : {0, static_cast<int32_t>(backColor), 0, 1}) Int(d, v);
    Block(d, picture);
    Block(d, "");
    Block(d, "");
    return d;
}

}  // namespace vx::test
