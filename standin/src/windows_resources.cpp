// The embedded resources: the entries of the compiled .res, and the dialog templates in it.
#include "window_manager.h"

#include <map>
#include <strings.h>

namespace {

// A .res file is a run of entries, each a header and its data, both padded to 4 bytes:
//
//   +0 data size   +4 header size   +8 type   name   (pad to 4)
//   data version (4)  memory flags (2)  language (2)  version (4)  characteristics (4)
//
// Type and name are each either 0xFFFF and a 16-bit ordinal, or a terminated UTF-16
// string. Only entries with ordinal type and name matter here.
struct Entry {
    int type, id, language;
    const unsigned char *data;
    size_t size;
};

// Reads little-endian values and UTF-16 strings from one block; a read past the end
// yields zeros and marks the reader bad, so a damaged block cannot run away.
struct Reader {
    const unsigned char *base;
    size_t size, at = 0;
    bool bad = false;

    unsigned word() {
        if (at + 2 > size) {
            bad = true;
            at = size;
            return 0;
        }
        unsigned v = base[at] | base[at + 1] << 8;
        at += 2;
        return v;
    }
    DWORD dword() {
        DWORD low = word();
        return low | (DWORD)word() << 16;
    }
    int coordinate() { return (int16_t)word(); }
    void align() { at = (at + 3) & ~(size_t)3; }
    std::string utf16_string() {
        std::string out;
        for (unsigned unit = word(); unit && !bad; unit = word()) {
            unsigned code = unit;
            if (unit >= 0xD800 && unit < 0xDC00)
                code = 0x10000 + ((unit - 0xD800) << 10) + (word() - 0xDC00);
            append_utf8(out, code);
        }
        return out;
    }
    // A name, or an ordinal: then `ordinal` holds it (else -1) and the name is "".
    std::string name_or_ordinal(int &ordinal) {
        ordinal = -1;
        unsigned first = word();
        if (first == 0xFFFF) {
            ordinal = (int)word();
            return "";
        }
        if (first == 0)
            return "";
        at -= 2;
        return utf16_string();
    }
    static void append_utf8(std::string &out, unsigned code) {
        if (code < 0x80) {
            out += (char)code;
        } else if (code < 0x800) {
            out += (char)(0xC0 | code >> 6);
            out += (char)(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += (char)(0xE0 | code >> 12);
            out += (char)(0x80 | (code >> 6 & 0x3F));
            out += (char)(0x80 | (code & 0x3F));
        } else {
            out += (char)(0xF0 | code >> 18);
            out += (char)(0x80 | (code >> 12 & 0x3F));
            out += (char)(0x80 | (code >> 6 & 0x3F));
            out += (char)(0x80 | (code & 0x3F));
        }
    }
};

std::vector<Entry> read_entries() {
    std::vector<Entry> entries;
    Reader r{standin_resource_bytes, standin_resource_size};
    while (r.at + 8 <= r.size) {
        size_t start = r.at;
        DWORD data_size = r.dword(), header_size = r.dword();
        if (header_size < 8 || start + header_size + data_size > r.size)
            break;
        int type, id;
        r.name_or_ordinal(type);
        r.name_or_ordinal(id);
        r.align();
        r.dword(); // data version
        r.word();  // memory flags
        int language = (int)r.word();
        if (type >= 0 && id >= 0 && data_size > 0)
            entries.push_back({type, id, language, r.base + start + header_size, data_size});
        r.at = start + header_size + data_size;
        r.align();
    }
    return entries;
}

const std::vector<Entry> &entries() {
    static const std::vector<Entry> all = read_entries();
    return all;
}

const char *const predefined_classes[] = {"BUTTON",  "EDIT",      "STATIC",
                                          "LISTBOX", "SCROLLBAR", "COMBOBOX"};

// DLGTEMPLATE: style, extended style, control count, x, y, cx, cy; menu, class (each a
// name or an ordinal), caption; with DS_SETFONT the point size and the face name. Then each
// control, 4-byte aligned: style, extended style, x, y, cx, cy, 16-bit id, class (ordinal
// 0x80 BUTTON to 0x85 COMBOBOX, or a name), text (a string or an ordinal), and a count of
// creation bytes that follow.
standin::DialogTemplate parse_dialog(const Entry &entry) {
    Reader r{entry.data, entry.size};
    standin::DialogTemplate t{};
    t.style = r.dword();
    t.exstyle = r.dword();
    unsigned count = r.word();
    t.x = r.coordinate();
    t.y = r.coordinate();
    t.cx = r.coordinate();
    t.cy = r.coordinate();
    int ordinal;
    r.name_or_ordinal(ordinal); // menu
    r.name_or_ordinal(ordinal); // window class
    t.caption = r.utf16_string();
    if (t.style & DS_SETFONT) {
        t.point_size = (int)r.word();
        t.font = r.utf16_string();
    }
    for (unsigned i = 0; i < count && !r.bad; i++) {
        r.align();
        standin::DialogControl c{};
        c.style = r.dword();
        c.exstyle = r.dword();
        c.x = r.coordinate();
        c.y = r.coordinate();
        c.cx = r.coordinate();
        c.cy = r.coordinate();
        c.id = (int16_t)r.word();
        c.class_name = r.name_or_ordinal(ordinal);
        if (ordinal >= 0x80 && ordinal <= 0x85)
            c.class_name = predefined_classes[ordinal - 0x80];
        c.text = r.name_or_ordinal(ordinal);
        r.at += r.word(); // creation data
        t.controls.push_back(c);
    }
    return t;
}

const std::map<int, standin::DialogTemplate> &templates() {
    static const std::map<int, standin::DialogTemplate> all = [] {
        std::map<int, standin::DialogTemplate> parsed;
        for (const Entry &entry : entries())
            if (entry.type == 5) // RT_DIALOG
                parsed[entry.id] = parse_dialog(entry);
        return parsed;
    }();
    return all;
}

} // namespace

namespace standin {

const DialogTemplate *dialog_template(int id) {
    auto it = templates().find(id);
    return it == templates().end() ? nullptr : &it->second;
}

int resource_language(int type, int id) {
    for (const Entry &entry : entries())
        if (entry.type == type && entry.id == id)
            return entry.language;
    return -1;
}

std::string resource_bytes(int type, int id) {
    for (const Entry &entry : entries())
        if (entry.type == type && entry.id == id)
            return std::string((const char *)entry.data, entry.size);
    return "";
}

// A string table block (RT_STRING, named id / 16 + 1) holds 16 entries in a row, each a
// 16-bit length and that many UTF-16 units, no terminator; absent entries have length 0.
std::optional<std::string> resource_string(int id) {
    std::string block = resource_bytes(6, id / 16 + 1);
    Reader r{(const unsigned char *)block.data(), block.size()};
    for (int index = 0; index < id % 16 && !r.bad; index++)
        r.at += 2 * (size_t)r.word();
    size_t length = r.word();
    if (length == 0 || r.bad)
        return std::nullopt;
    std::string units = block.substr(r.at, 2 * length) + std::string(2, '\0');
    Reader text{(const unsigned char *)units.data(), units.size()};
    return text.utf16_string();
}

bool resource_exists(int type, int id) {
    return resource_language(type, id) >= 0;
}

// Class names are compared as the platform compares them, ignoring case.
ControlKind kind_of_class(const std::string &name) {
    static const struct {
        const char *name;
        ControlKind kind;
    } classes[] = {
        {"BUTTON", ControlKind::Button},     {"EDIT", ControlKind::Edit},
        {"STATIC", ControlKind::Static},     {"LISTBOX", ControlKind::ListBox},
        {"COMBOBOX", ControlKind::ComboBox}, {"msctls_progress32", ControlKind::Progress}};
    for (const auto &c : classes)
        if (strcasecmp(name.c_str(), c.name) == 0)
            return c.kind;
    return ControlKind::Unknown;
}

} // namespace standin
