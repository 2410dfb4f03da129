// The history library, as far as its callers rely on it: whole-record copies
// of the host configuration record and an in-memory store of history entries.
#include "history_lib.h"
#include "pelmo.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct StoredEntry {
    int id;
    HistRecord fixed;  // the text pointers are not used here
    std::string partyA, partyB, content;
};

std::mutex g_lock;
std::map<std::string, std::vector<unsigned char>> g_records;
std::vector<StoredEntry> g_entries;
int g_nextId = 0;

// Handed-out copies carry their entry's id in the reserved field.
void StampId(HistRecord& r, int id)
{
    std::memcpy(r.reserved, &id, sizeof id);
}
int IdOf(const HistRecord& r)
{
    int id;
    std::memcpy(&id, r.reserved, sizeof id);
    return id;
}

// Field compare over the fixed width: the query's texts need no terminator.
bool SameText(const char* a, const char* b, size_t width)
{
    return std::strncmp(a, b, width) == 0;
}

char* Duplicate(const std::string& s)
{
    char* p = static_cast<char*>(std::malloc(s.size() + 1));
    if (p)
        std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

StoredEntry* Find(int id)
{
    for (auto& e : g_entries)
        if (e.id == id)
            return &e;
    return nullptr;
}

std::string DecodeEntities(const std::string& s)
{
    static const struct {
        const char* name;
        char ch;
    } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < s.size();) {
        bool replaced = false;
        if (s[i] == '&') {
            for (const auto& e : kEntities) {
                size_t n = std::strlen(e.name);
                if (s.compare(i, n, e.name) == 0) {
                    out += e.ch;
                    i += n;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += s[i++];
    }
    return out;
}

}  // namespace

extern "C" {

int TEMBRA_API getConfInfo(const char* key, void* buffer)
{
    if (!key || !buffer)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_records.find(key);
    if (it == g_records.end())
        return -1;
    std::memcpy(buffer, it->second.data(), it->second.size());
    return 0;
}

int TEMBRA_API setConfInfo(const char* key, const void* buffer)
{
    if (!key || !buffer)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    auto& rec = g_records[key];
    rec.resize(sizeof(HostConfig));
    std::memcpy(rec.data(), buffer, sizeof(HostConfig));
    return 0;
}

int TEMBRA_API getConfInfoMirrun(const char* key, char* buffer)
{
    if (!key || !buffer)
        return -1;
    HostConfig config;
    if (getConfInfo(key, &config) < 0)
        return -1;
    std::memset(buffer, 0, 15);
    std::memcpy(buffer, config.identity, strnlen(config.identity, 14));
    return 0;
}

int TEMBRA_API clearConfInfo(const char* key)
{
    if (!key)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    return g_records.erase(key) ? 0 : -1;
}

int TEMBRA_API getHistGroup(const char* identity, const char* type, char* buffer)
{
    if (!identity || !type)
        return 0;
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<std::string> names;
    for (const auto& e : g_entries) {
        if (!SameText(e.fixed.owner, identity, sizeof e.fixed.owner) ||
            !SameText(e.fixed.type, type, sizeof e.fixed.type))
            continue;
        std::string group(e.fixed.group, strnlen(e.fixed.group, sizeof e.fixed.group));
        bool known = false;
        for (const auto& n : names)
            known = known || n == group;
        if (!known)
            names.push_back(group);
    }
    if (buffer) {
        for (size_t i = 0; i < names.size(); ++i) {
            char* slot = buffer + i * 50;
            std::memset(slot, 0, 50);
            std::memcpy(slot, names[i].data(), names[i].size() < 49 ? names[i].size() : 49);
        }
    }
    return static_cast<int>(names.size());
}

HistRecord* TEMBRA_API getHistItem(const HistRecord* query, int* count)
{
    if (count)
        *count = 0;
    if (!query || !count)
        return nullptr;
    std::lock_guard<std::mutex> hold(g_lock);
    std::vector<const StoredEntry*> hits;
    for (const auto& e : g_entries)
        if (SameText(e.fixed.owner, query->owner, sizeof query->owner) &&
            SameText(e.fixed.type, query->type, sizeof query->type) &&
            SameText(e.fixed.group, query->group, sizeof query->group))
            hits.push_back(&e);
    if (hits.empty())
        return nullptr;
    auto* items = static_cast<HistRecord*>(std::calloc(hits.size(), sizeof(HistRecord)));
    if (!items)
        return nullptr;
    for (size_t i = 0; i < hits.size(); ++i) {
        items[i] = hits[i]->fixed;
        StampId(items[i], hits[i]->id);
        items[i].partyA = Duplicate(hits[i]->partyA);
        items[i].partyB = Duplicate(hits[i]->partyB);
        items[i].content = Duplicate(hits[i]->content);
    }
    *count = static_cast<int>(hits.size());
    return items;
}

void TEMBRA_API releaseItemBuf(HistRecord* items, int count)
{
    if (!items)
        return;
    for (int i = 0; i < count; ++i) {
        std::free(items[i].partyA);
        std::free(items[i].partyB);
        std::free(items[i].content);
    }
    std::free(items);
}

int TEMBRA_API updateOneHist(HistRecord* item, const HistRecord* modified)
{
    if (!item || !modified)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    StoredEntry* e = Find(IdOf(*item));
    if (!e)
        return -1;
    HistRecord fixed = *modified;
    fixed.partyA = fixed.partyB = fixed.content = nullptr;
    StampId(fixed, e->id);
    e->fixed = fixed;
    return 0;
}

int TEMBRA_API delOneHist(HistRecord* item)
{
    if (!item)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    int id = IdOf(*item);
    for (auto it = g_entries.begin(); it != g_entries.end(); ++it) {
        if (it->id == id) {
            g_entries.erase(it);
            return 0;
        }
    }
    return -1;
}

char* TEMBRA_API getXMLTextInfo(const char* content, const char* element, int decode)
{
    if (!content || !element || !*element)
        return nullptr;
    std::string text(content);
    std::string open = std::string("<") + element + ">";
    std::string close = std::string("</") + element + ">";
    size_t start = text.find(open);
    if (start == std::string::npos)
        return nullptr;
    start += open.size();
    size_t end = text.find(close, start);
    if (end == std::string::npos)
        return nullptr;
    std::string inner = text.substr(start, end - start);
    return Duplicate(decode ? DecodeEntities(inner) : inner);
}

void TEMBRA_API releaseCharBuf(char* text)
{
    std::free(text);
}

int TEMBRA_API addOneHist(const HistRecord* entry)
{
    if (!entry)
        return -1;
    std::lock_guard<std::mutex> hold(g_lock);
    StoredEntry e;
    e.id = g_nextId++;
    e.fixed = *entry;
    e.fixed.partyA = e.fixed.partyB = e.fixed.content = nullptr;
    StampId(e.fixed, e.id);
    e.partyA = entry->partyA ? entry->partyA : "";
    e.partyB = entry->partyB ? entry->partyB : "";
    e.content = entry->content ? entry->content : "";
    g_entries.push_back(std::move(e));
    return g_entries.back().id;
}

void TEMBRA_API clearHistStore(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_entries.clear();
}

}  // extern "C"
