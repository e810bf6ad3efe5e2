// Published variables, struct types, access strings, and hooks called with their owner current.
#include "dlg_int.h"

// ===== variables ===========================================================

namespace dlgint {

bool setValid(const SymbolSet *set)
{
    for (auto &s : symbolSets)
        if (s.get() == set)
            return true;
    return false;
}

bool isIdentifier(std::string_view s)
{
    if (s.empty() || !(isalpha((unsigned char)s[0]) || s[0] == '_'))
        return false;
    for (char c : s)
        if (!(isalnum((unsigned char)c) || c == '_'))
            return false;
    return true;
}

bool scalarType(int type) { return type >= MDLHOST_FIELD_INT && type <= MDLHOST_FIELD_TEXT; }

bool validScalarSize(int type, size_t size)
{
    switch (type) {
    case MDLHOST_FIELD_INT:
    case MDLHOST_FIELD_UINT: return size == 1 || size == 2 || size == 4 || size == 8;
    case MDLHOST_FIELD_DOUBLE: return size == 4 || size == 8;
    case MDLHOST_FIELD_TEXT: return size >= 1;
    default: return false;
    }
}

// Sets of owner first, then of every other application: variables are
// visible to every dialog, the owner's win a clash of names.
std::vector<SymbolSet *> setsFor(MdlDesc *owner)
{
    std::vector<SymbolSet *> sets;
    for (auto &s : symbolSets)
        if (s->owner == owner)
            sets.push_back(s.get());
    for (auto &s : symbolSets)
        if (s->owner != owner)
            sets.push_back(s.get());
    return sets;
}

const StructType *findStruct(const std::vector<SymbolSet *> &sets, const SymbolSet *first, const std::string &name)
{
    if (first) {
        auto it = first->types.find(name);
        if (it != first->types.end())
            return &it->second;
    }
    for (SymbolSet *s : sets) {
        auto it = s->types.find(name);
        if (it != s->types.end())
            return &it->second;
    }
    return nullptr;
}

} // namespace dlgint

namespace dlgint {
bool splitAccess(std::string_view access, std::vector<AccessPart> &parts)
{
    parts.clear();
    if (access.size() > (size_t)kMaxAccessLength)
        return false;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < access.size() && (access[i] == ' ' || access[i] == '\t'))
            i++;
    };
    auto readName = [&]() -> bool {
        skipBlanks();
        size_t b = i;
        while (i < access.size() && (isalnum((unsigned char)access[i]) || access[i] == '_'))
            i++;
        if (!isIdentifier(access.substr(b, i - b)))
            return false;
        parts.push_back({false, std::string(access.substr(b, i - b)), 0});
        return true;
    };
    if (!readName())
        return false;
    for (;;) {
        skipBlanks();
        if (i == access.size())
            return true;
        if (access[i] == '.') {
            i++;
            if (!readName())
                return false;
        } else if (access.substr(i, 2) == "->") {
            i += 2;
            if (!readName())
                return false;
        } else if (access[i] == '[') {
            i++;
            skipBlanks();
            size_t b = i;
            while (i < access.size() && isdigit((unsigned char)access[i]))
                i++;
            if (i == b || i - b > 9)
                return false;
            int64_t index = 0; // at most nine digits: always read
            mdlhost::parseInt64(access.substr(b, i - b), index);
            skipBlanks();
            if (i == access.size() || access[i] != ']')
                return false;
            i++;
            parts.push_back({true, "", long(index)});
        } else {
            return false;
        }
    }
}

// Follows the access string from the variable to a scalar field, reading
// every pointer on the way now (so a switched pointer counts at once).
bool resolveAccess(MdlDesc *owner, std::string_view access, Place &place)
{
    std::vector<AccessPart> parts;
    if (!splitAccess(access, parts))
        return false;
    std::vector<SymbolSet *> sets = setsFor(owner);
    const Variable *var = nullptr;
    const SymbolSet *varSet = nullptr;
    for (SymbolSet *s : sets) {
        for (auto &v : s->variables)
            if (v.name == parts[0].name) {
                var = &v;
                varSet = s;
                break;
            }
        if (var)
            break;
    }
    if (var == nullptr)
        return false;

    // The cursor: a struct, a pointer to a struct, an array or a scalar.
    enum class K { Struct, Pointer, Array, Scalar } kind;
    char *addr = static_cast<char *>(var->address);
    const StructType *st = nullptr;
    FieldDef field;
    switch (var->kind) {
    case VarKind::Pointer:
    case VarKind::Complex:
        st = findStruct(sets, varSet, var->structName);
        if (st == nullptr)
            return false;
        kind = var->kind == VarKind::Pointer ? K::Pointer : K::Struct;
        break;
    default:
        field = var->basic;
        kind = field.count > 1 ? K::Array : K::Scalar;
        break;
    }

    auto enterField = [&](const FieldDef &f, char *at) -> bool {
        field = f;
        addr = at;
        if (f.count > 1) {
            kind = K::Array;
            return true;
        }
        if (f.type == MDLHOST_FIELD_STRUCT || f.type == MDLHOST_FIELD_POINTER) {
            st = findStruct(sets, varSet, f.structName);
            if (st == nullptr)
                return false;
            kind = f.type == MDLHOST_FIELD_STRUCT ? K::Struct : K::Pointer;
            return true;
        }
        kind = K::Scalar;
        return true;
    };

    for (size_t p = 1; p < parts.size(); p++) {
        const AccessPart &part = parts[p];
        if (part.isIndex) {
            if (kind != K::Array || part.index < 0 || part.index >= field.count)
                return false;
            FieldDef element = field;
            element.count = 1;
            if (!enterField(element, addr + (size_t)part.index * field.size))
                return false;
            continue;
        }
        if (kind == K::Pointer) {
            void *target = nullptr;
            memcpy(&target, addr, sizeof target);
            if (target == nullptr)
                return false;
            addr = static_cast<char *>(target);
            kind = K::Struct;
        }
        if (kind != K::Struct)
            return false;
        const FieldDef *f = nullptr;
        for (auto &candidate : st->fields)
            if (candidate.name == part.name) {
                f = &candidate;
                break;
            }
        if (f == nullptr || !enterField(*f, addr + f->offset))
            return false;
    }
    if (kind != K::Scalar || !scalarType(field.type))
        return false;
    place.address = addr;
    place.type = field.type;
    place.size = field.size;
    return true;
}

bool readPlace(const Place &p, Value &v)
{
    switch (p.type) {
    case MDLHOST_FIELD_INT: {
        v.fmt = FMT_LONG;
        if (p.size == 1) {
            int8_t x;
            memcpy(&x, p.address, 1);
            v.i = x;
        } else if (p.size == 2) {
            int16_t x;
            memcpy(&x, p.address, 2);
            v.i = x;
        } else if (p.size == 4) {
            int32_t x;
            memcpy(&x, p.address, 4);
            v.i = x;
        } else {
            int64_t x;
            memcpy(&x, p.address, 8);
            v.i = x;
        }
        return true;
    }
    case MDLHOST_FIELD_UINT: {
        v.fmt = FMT_LONG;
        uint64_t x = 0;
        if (p.size == 1) {
            uint8_t y;
            memcpy(&y, p.address, 1);
            x = y;
        } else if (p.size == 2) {
            uint16_t y;
            memcpy(&y, p.address, 2);
            x = y;
        } else if (p.size == 4) {
            uint32_t y;
            memcpy(&y, p.address, 4);
            x = y;
        } else {
            memcpy(&x, p.address, 8);
        }
        v.i = (long long)x;
        return true;
    }
    case MDLHOST_FIELD_DOUBLE: {
        v.fmt = FMT_DOUBLE;
        if (p.size == 4) {
            float x;
            memcpy(&x, p.address, 4);
            v.d = x;
        } else {
            memcpy(&v.d, p.address, 8);
        }
        return true;
    }
    case MDLHOST_FIELD_TEXT:
        v.fmt = FMT_STRING;
        v.s.assign(p.address, strnlen(p.address, p.size));
        return true;
    default: return false;
    }
}

// Refuses a value the field cannot hold rather than storing a wrapped one.
bool writePlace(const Place &p, const Value &v)
{
    switch (p.type) {
    case MDLHOST_FIELD_INT:
    case MDLHOST_FIELD_UINT: {
        int64_t x;
        if (v.fmt == FMT_LONG)
            x = v.i;
        else if (v.fmt == FMT_DOUBLE && std::isfinite(v.d) && std::fabs(v.d) < 9.2e18 && v.d == std::floor(v.d))
            x = (long long)v.d;
        else if (v.fmt == FMT_STRING && mdlhost::parseInt64(v.s, x))
            ;
        else
            return false;
        int bits = (int)p.size * 8;
        if (p.type == MDLHOST_FIELD_INT) {
            if (bits < 64 && (x < -(1LL << (bits - 1)) || x > (1LL << (bits - 1)) - 1))
                return false;
        } else {
            if (x < 0 || (bits < 64 && x > (long long)((1ULL << bits) - 1)))
                return false;
        }
        if (p.size == 1) {
            uint8_t y = (uint8_t)x;
            memcpy(p.address, &y, 1);
        } else if (p.size == 2) {
            uint16_t y = (uint16_t)x;
            memcpy(p.address, &y, 2);
        } else if (p.size == 4) {
            uint32_t y = (uint32_t)x;
            memcpy(p.address, &y, 4);
        } else {
            memcpy(p.address, &x, 8);
        }
        return true;
    }
    case MDLHOST_FIELD_DOUBLE: {
        double x;
        if (v.fmt == FMT_DOUBLE)
            x = v.d;
        else if (v.fmt == FMT_LONG)
            x = (double)v.i;
        else if (v.fmt == FMT_STRING && mdlhost::parseDouble(v.s, x))
            ;
        else
            return false;
        if (!std::isfinite(x))
            return false;
        if (p.size == 4) {
            float y = (float)x;
            memcpy(p.address, &y, 4);
        } else {
            memcpy(p.address, &x, 8);
        }
        return true;
    }
    case MDLHOST_FIELD_TEXT: {
        std::string s;
        if (v.fmt == FMT_STRING)
            s = v.s;
        else if (v.fmt == FMT_LONG)
            s = std::to_string(v.i);
        else
            return false;
        // The field keeps its terminator: a longer text is cut.
        mdlhost::copyText(p.address, p.size, s);
        return true;
    }
    default: return false;
    }
}

} // namespace dlgint

namespace dlgint {

bool parseFormat(std::string_view format, Conversion &c)
{
    if (format.size() > (size_t)kMaxFormatLength)
        return false;
    std::string text;
    size_t i = 0;
    bool found = false;
    while (i < format.size()) {
        char ch = format[i];
        if (ch != '%') {
            text.push_back(ch);
            i++;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            text += "%%";
            i += 2;
            continue;
        }
        if (found)
            return false;
        found = true;
        c.prefix = text;
        text.clear();
        i++;
        size_t b = i;
        while (i < format.size() && strchr("-+ #0", format[i]))
            i++;
        size_t w = i;
        while (i < format.size() && isdigit((unsigned char)format[i]))
            i++;
        if (i - w > 3)
            return false;
        if (i < format.size() && format[i] == '.') {
            i++;
            size_t pr = i;
            while (i < format.size() && isdigit((unsigned char)format[i]))
                i++;
            if (i - pr > 2)
                return false;
        }
        c.options = std::string(format.substr(b, i - b));
        while (i < format.size() && (format[i] == 'l' || format[i] == 'h'))
            i++; // length modifiers: the host supplies its own
        if (i == format.size() || !strchr("diuxXofFeEgGs", format[i]))
            return false;
        c.conv = format[i++];
    }
    if (!found)
        return false;
    c.suffix = text;
    return true;
}

std::string formatValue(const Value &v, const std::string &format)
{
    Conversion c;
    bool intConv = false, realConv = false, textConv = false;
    if (!format.empty() && parseFormat(format, c)) {
        intConv = strchr("diuxXo", c.conv) != nullptr;
        realConv = strchr("fFeEgG", c.conv) != nullptr;
        textConv = c.conv == 's';
    }
    char buf[512];
    if (!(intConv || realConv || textConv) || (v.fmt == FMT_STRING && !textConv) ||
        (v.fmt == FMT_DOUBLE && intConv && !(std::isfinite(v.d) && std::fabs(v.d) < 9.2e18))) {
        // No usable format: the type's own.
        if (v.fmt == FMT_LONG)
            snprintf(buf, sizeof buf, "%lld", v.i);
        else if (v.fmt == FMT_DOUBLE)
            snprintf(buf, sizeof buf, "%g", v.d);
        else
            return v.s;
        return buf;
    }
    std::string conversion = "%" + c.options;
    if (intConv) {
        long long x = v.fmt == FMT_DOUBLE ? (long long)std::llround(v.d) : v.i;
        conversion += "ll";
        conversion.push_back(c.conv);
        snprintf(buf, sizeof buf, conversion.c_str(), x);
    } else if (realConv) {
        double x = v.fmt == FMT_DOUBLE ? v.d : (double)v.i;
        conversion.push_back(c.conv);
        snprintf(buf, sizeof buf, conversion.c_str(), x);
    } else {
        std::string inner = v.fmt == FMT_STRING ? v.s : formatValue(v, "");
        conversion.push_back('s');
        snprintf(buf, sizeof buf, conversion.c_str(), inner.c_str());
    }
    // "%%" in the literal parts stays a single '%' on screen.
    auto literal = [](const std::string &s) {
        std::string out;
        for (size_t i = 0; i < s.size(); i++) {
            out.push_back(s[i]);
            if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%')
                i++;
        }
        return out;
    };
    return literal(c.prefix) + buf + literal(c.suffix);
}

bool validField(const MdlhostField &f, size_t structSize)
{
    if (f.name == nullptr || !isIdentifier(f.name))
        return false;
    int count = f.count > 1 ? f.count : 1;
    if (f.type == MDLHOST_FIELD_STRUCT || f.type == MDLHOST_FIELD_POINTER) {
        if (f.structName == nullptr || !isIdentifier(f.structName))
            return false;
        if (f.type == MDLHOST_FIELD_POINTER && f.size != sizeof(void *))
            return false;
        if (f.size == 0)
            return false;
    } else if (!validScalarSize(f.type, f.size)) {
        return false;
    }
    // The field and its whole array lie inside the record.
    return f.offset <= structSize && f.size <= (structSize - f.offset) / (size_t)count;
}

} // namespace dlgint

SymbolSet *mdlCExpression_initializeSet(int, int, int)
{
    listenForUnloads();
    symbolSets.push_back(std::make_unique<SymbolSet>());
    symbolSets.back()->owner = mdlSystem_getCurrMdlDesc();
    return symbolSets.back().get();
}

void mdlCExpression_freeSet(SymbolSet *set)
{
    for (auto it = symbolSets.begin(); it != symbolSets.end(); ++it)
        if (it->get() == set) {
            symbolSets.erase(it);
            return;
        }
}

int mdlhost_defineStruct(SymbolSet *set, const char *structName, size_t size, const MdlhostField *fields,
                         int nFields)
{
    if (!setValid(set) || structName == nullptr || !isIdentifier(structName) || nFields < 0 ||
        (nFields > 0 && fields == nullptr) || size == 0)
        return -1;
    StructType type;
    type.size = size;
    for (int i = 0; i < nFields; i++) {
        if (!validField(fields[i], size))
            return -1;
        FieldDef f;
        f.name = fields[i].name;
        f.offset = fields[i].offset;
        f.type = fields[i].type;
        f.size = fields[i].size;
        f.count = fields[i].count > 1 ? fields[i].count : 1;
        if (fields[i].structName)
            f.structName = fields[i].structName;
        type.fields.push_back(std::move(f));
    }
    set->types[structName] = std::move(type);
    return 0;
}

namespace dlgint {

int publish(SymbolSet *set, Variable v)
{
    if (!setValid(set) || !isIdentifier(v.name) || v.address == nullptr)
        return -1;
    for (auto &old : set->variables)
        if (old.name == v.name) {
            old = std::move(v);
            return 0;
        }
    set->variables.push_back(std::move(v));
    return 0;
}

} // namespace dlgint

int mdlDialog_publishComplexPtr(SymbolSet *set, const char *structName, const char *accessName,
                                void *pointerAddress)
{
    if (structName == nullptr || accessName == nullptr || !isIdentifier(structName))
        return -1;
    Variable v;
    v.name = accessName;
    v.kind = VarKind::Pointer;
    v.address = pointerAddress;
    v.structName = structName;
    return publish(set, std::move(v));
}

int mdlDialog_publishComplexVariable(SymbolSet *set, const char *structName, const char *accessName, void *address)
{
    if (structName == nullptr || accessName == nullptr || !isIdentifier(structName))
        return -1;
    Variable v;
    v.name = accessName;
    v.kind = VarKind::Complex;
    v.address = address;
    v.structName = structName;
    return publish(set, std::move(v));
}

int mdlDialog_publishBasicVariable(SymbolSet *set, int fieldType, size_t size, const char *accessName,
                                   void *address)
{
    if (accessName == nullptr || !validScalarSize(fieldType, size))
        return -1;
    Variable v;
    v.name = accessName;
    v.kind = VarKind::Basic;
    v.address = address;
    v.basic.name = accessName;
    v.basic.type = fieldType;
    v.basic.size = size;
    return publish(set, std::move(v));
}

int mdlhost_accessGetText(char *out, size_t outSize, const char *access)
{
    mdlhost::copyText(out, outSize, "");
    Place p;
    Value v;
    if (access == nullptr || !resolveAccess(mdlSystem_getCurrMdlDesc(), access, p) || !readPlace(p, v))
        return -1;
    mdlhost::copyText(out, outSize, formatValue(v, ""));
    return 0;
}

int mdlhost_accessSetText(const char *access, const char *text)
{
    Place p;
    if (access == nullptr || text == nullptr || !resolveAccess(mdlSystem_getCurrMdlDesc(), access, p))
        return -1;
    Value v;
    v.fmt = FMT_STRING;
    v.s = text;
    return writePlace(p, v) ? 0 : -1;
}

// ===== hooks ===============================================================

int mdlDialog_hookPublish(int nHooks, const DialogHookInfo *hooks)
{
    if (nHooks < 0 || (nHooks > 0 && hooks == nullptr))
        return -1;
    listenForUnloads();
    auto &table = hookTables[mdlSystem_getCurrMdlDesc()];
    for (int i = 0; i < nHooks; i++)
        table[hooks[i].hookId] = hooks[i].hookFunc;
    return 0;
}

MdlFunctionP mdlhost_findHook(MdlDesc *desc, int hookId)
{
    if (desc == nullptr)
        desc = mdlSystem_getCurrMdlDesc();
    auto t = hookTables.find(desc);
    if (t == hookTables.end())
        return nullptr;
    auto h = t->second.find(hookId);
    return h == t->second.end() ? nullptr : h->second;
}

namespace dlgint {

MdlFunctionP hookOf(MdlDesc *owner, int hookId)
{
    if (hookId == 0)
        return nullptr;
    auto t = hookTables.find(owner);
    if (t == hookTables.end())
        return nullptr;
    auto h = t->second.find(hookId);
    return h == t->second.end() ? nullptr : h->second;
}

void sendDialog(MSDialog *db, DialogMessage &m)
{
    m.db = db;
    m.dialogId = db->id;
    MdlFunctionP fn = hookOf(db->owner, db->hookId);
    if (fn == nullptr)
        return;
    EventScope event;
    CurrentScope current(db->owner);
    reinterpret_cast<DialogHookFunc>(fn)(&m);
}

DialogMessage dialogMessage(int type)
{
    DialogMessage m;
    memset(&m, 0, sizeof m);
    m.messageType = type;
    return m;
}

DialogItemMessage itemMessage(int type)
{
    DialogItemMessage m;
    memset(&m, 0, sizeof m);
    m.messageType = type;
    return m;
}

// Sends m to the item's hook with the item's owner current.
void sendItem(DialogItem *item, DialogItemMessage &m)
{
    m.db = item->db;
    m.dialogId = item->db->id;
    m.itemIndex = item->index;
    m.dialogItemP = item;
    MdlFunctionP fn = hookOf(item->owner, item->hookId);
    if (fn == nullptr)
        return;
    EventScope event;
    CurrentScope current(item->owner);
    reinterpret_cast<DialogItemHookFunc>(fn)(&m);
}

void sendItemSimple(DialogItem *item, int type)
{
    DialogItemMessage m = itemMessage(type);
    sendItem(item, m);
}

void reportMissingHooks(const MSDialog *db)
{
    if (db->hookId != 0 && hookOf(db->owner, db->hookId) == nullptr)
        toolSubsystem_printf("Dialog %d: hook %d is not published\n", db->id, db->hookId);
    for (auto &it : db->items)
        if (it->hookId != 0 && hookOf(it->owner, it->hookId) == nullptr)
            toolSubsystem_printf("Dialog %d: hook %d of %s %d is not published\n", db->id, it->hookId,
                                 typeName(it->type).c_str(), it->id);
}

} // namespace dlgint
