#include "history/hist_model.h"

#include "core/resource_text.h"
#include "core/text.h"
#include "string_ids.h"

#include <cstring>
#include <memory>

namespace histview {

const char kUnread[] = "未读";
const char kRead[] = "已读";

namespace {

const char kSent[] = "已发";
const char kUnsent[] = "未发";
constexpr size_t kStatusChars = 50;
constexpr size_t kMaxPartyBytes = 64 * 1024;

struct TypeCode {
    LPARAM typeByte;
    const char* type;
    WPARAM notice;
};
const TypeCode kTypes[] = {
    {256, "text", PELMO_NOTICE_HIST_TEXT}, {512, "multi", PELMO_NOTICE_HIST_MULTI},
    {768, "mail", PELMO_NOTICE_HIST_MAIL}, {1024, "fax", PELMO_NOTICE_HIST_FAX},
    {1280, "tel", PELMO_NOTICE_HIST_TEL},
};

bool IsNumberChar(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '+' || c == '*' ||
           c == '#';
}

template <size_t N>
void CopyNoticeField(char (&field)[N], const char* text)
{
    if (text)
        std::memcpy(field, text, strnlen(text, N));
}

}  // namespace

LPARAM GroupValue(LPARAM category, size_t index)
{
    const LPARAM block = static_cast<LPARAM>(index / kGroupsPerBlock);
    const LPARAM place = static_cast<LPARAM>(index % kGroupsPerBlock) + 1;
    return (block << 16) | (category & 0xFF00) | place;
}

bool IsGroupValue(LPARAM value)
{
    return value > 0 && (value & 0xFF) != 0;
}

std::string TypeOfValue(LPARAM value)
{
    if (!IsGroupValue(value))
        return std::string();
    for (const TypeCode& t : kTypes)
        if ((value & 0xFF00) == t.typeByte)
            return t.type;
    return std::string();
}

size_t GroupIndexOfValue(LPARAM value)
{
    return static_cast<size_t>(value >> 16) * kGroupsPerBlock + static_cast<size_t>(value & 0xFF) - 1;
}

std::vector<std::string> ReadGroups(const histlib::Calls& calls, const std::string& identity, const char* type)
{
    std::vector<std::string> names;
    if (!calls.getHistGroup)
        return names;
    const int first = calls.getHistGroup(identity.c_str(), type, nullptr);
    if (first <= 0)
        return names;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(first) * kGroupNameSize]());
    if (!buffer)
        return names;
    const int second = calls.getHistGroup(identity.c_str(), type, buffer.get());
    const int n = second < first ? second : first;
    for (int i = 0; i < n; ++i)
        names.push_back(FieldText(buffer.get() + static_cast<size_t>(i) * kGroupNameSize, kGroupNameSize));
    return names;
}

std::vector<Category> ReadCategories(const histlib::Calls& calls, const std::string& identity)
{
    std::vector<Category> categories{{IDS_HIST_CAT_MESSAGES, kTextCategory, "text", {}},
                                     {IDS_HIST_CAT_CALLS, kTelCategory, "tel", {}}};
    for (Category& c : categories)
        c.groups = ReadGroups(calls, identity, c.type);
    return categories;
}

Selection SelectionOf(LPARAM value, const std::vector<Category>& categories)
{
    Selection s;
    const std::string type = TypeOfValue(value);
    if (type.empty())
        return s;
    const size_t index = GroupIndexOfValue(value);
    for (const Category& c : categories) {
        if ((c.value & 0xFF00) == (value & 0xFF00) && index < c.groups.size()) {
            s.type = type;
            s.group = c.groups[index];
        }
    }
    return s;
}

HistRecord QueryFor(const std::string& identity, const Selection& selection)
{
    HistRecord query{};
    CopyNoticeField(query.owner, identity.c_str());
    CopyNoticeField(query.type, selection.type.c_str());
    CopyNoticeField(query.group, selection.group.c_str());
    return query;
}

Layout LayoutOf(const std::string& type)
{
    if (type == "tel")
        return Layout::kCall;
    if (type == "mail")
        return Layout::kMail;
    return Layout::kText;
}

std::vector<unsigned> ColumnTitleIds(Layout layout)
{
    switch (layout) {
    case Layout::kCall:
        return {IDS_COL_INDEX, IDS_HIST_COL_CALLER, IDS_HIST_COL_CALLEE, IDS_HIST_COL_CALL_TIME};
    case Layout::kMail:
        return {IDS_COL_INDEX,         IDS_HIST_COL_TYPE,    IDS_HIST_COL_STATUS, IDS_HIST_COL_SENDER,
                IDS_HIST_COL_RECEIVER, IDS_HIST_COL_SUBJECT, IDS_HIST_COL_TIME};
    case Layout::kText:
        break;
    }
    return {IDS_COL_INDEX,         IDS_HIST_COL_TYPE,    IDS_HIST_COL_STATUS, IDS_HIST_COL_SENDER,
            IDS_HIST_COL_RECEIVER, IDS_HIST_COL_CONTENT, IDS_HIST_COL_TIME};
}

int ColumnWidth(const std::string& title)
{
    return static_cast<int>(10 * title.size());
}

NameMap BuildNameMap(const FriendCache* cache)
{
    NameMap names;
    if (!cache || !cache->friends.data || cache->friends.count <= 0)
        return names;
    names.reserve(static_cast<size_t>(cache->friends.count));
    for (intptr_t i = 0; i < cache->friends.count; ++i) {
        const FriendInfo& f = cache->friends.data[i];
        std::string number = FieldText(f.mirrun);
        if (number.empty())
            continue;
        std::string shown = FieldText(f.nickname);
        if (shown.empty())
            shown = FieldText(f.name);
        if (!shown.empty())
            names.emplace(std::move(number), std::move(shown));
    }
    return names;
}

std::string DisplayParty(const char* party, const NameMap& names)
{
    if (!party)
        return std::string();
    const size_t size = strnlen(party, kMaxPartyBytes);
    if (names.empty())
        return std::string(party, size);
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size;) {
        const auto c = static_cast<unsigned char>(party[i]);
        if (IsNumberChar(c)) {
            size_t end = i;
            while (end < size && IsNumberChar(static_cast<unsigned char>(party[end])))
                ++end;
            const std::string token(party + i, end - i);
            auto hit = names.find(token);
            out += hit != names.end() ? hit->second : token;
            i = end;
        } else if (IsLeadByte(c) && i + 1 < size) {
            out.append(party + i, 2);  // a trail byte may look like a letter
            i += 2;
        } else {
            out += party[i++];
        }
    }
    return out;
}

StatusTexts StatusTexts::Load()
{
    return StatusTexts{
        resources::String(IDS_HIST_STATUS_UNREAD, kStatusChars), resources::String(IDS_HIST_STATUS_READ, kStatusChars),
        resources::String(IDS_HIST_STATUS_SENT, kStatusChars), resources::String(IDS_HIST_STATUS_UNSENT, kStatusChars)};
}

std::string StatusText(const HistRecord& record, const StatusTexts& texts)
{
    const std::string status = FieldText(record.status);
    if (status == kUnread)
        return texts.unread;
    if (status == kRead)
        return texts.read;
    if (status == kSent)
        return texts.sent;
    if (status == kUnsent)
        return texts.unsent;
    return status;
}

std::vector<std::string> RowCells(const HistRecord& record, int row, Layout layout, const NameMap& names,
                                  const StatusTexts& status, const histlib::Calls& calls)
{
    std::vector<std::string> cells;
    cells.push_back(std::to_string(row + 1));
    if (layout != Layout::kCall) {
        cells.push_back(FieldText(record.type));
        cells.push_back(StatusText(record, status));
    }
    cells.push_back(DisplayParty(record.partyA, names));
    cells.push_back(DisplayParty(record.partyB, names));
    if (layout != Layout::kCall) {
        std::string element;
        if (calls.getXMLTextInfo) {
            char* text = calls.getXMLTextInfo(record.content ? record.content : "",
                                              layout == Layout::kMail ? "TITLE" : "BODY", 1);
            if (text) {
                element = text;
                if (calls.releaseCharBuf)
                    calls.releaseCharBuf(text);
            }
        }
        cells.push_back(std::move(element));
    }
    cells.push_back(FieldText(record.detail));
    return cells;
}

int RecordOfRow(int row, int count)
{
    return row >= 0 && row < count ? count - 1 - row : -1;
}

WPARAM OpenCode(const HistRecord& record)
{
    const std::string type = FieldText(record.type);
    for (const TypeCode& t : kTypes)
        if (type == t.type)
            return t.notice;
    return PELMO_NOTICE_HIST_OTHER;
}

void FillNotice(HistEntryNotice& notice, const HistRecord& record)
{
    std::memset(&notice, 0, sizeof notice);
    // The fixed fields have the same widths in both layouts, so a full field
    // (no terminator) is copied whole and no further.
    CopyNoticeField(notice.owner, record.owner);
    CopyNoticeField(notice.type, record.type);
    CopyNoticeField(notice.info, record.info);
    CopyNoticeField(notice.partyA, record.partyA);
    CopyNoticeField(notice.partyB, record.partyB);
    CopyNoticeField(notice.detail, record.detail);
    CopyNoticeField(notice.group, record.group);
    CopyNoticeField(notice.status, record.status);
    CopyNoticeField(notice.content, record.content);
}

std::string NumberToAdd(const HistRecord& record, const std::string& identity)
{
    const std::string a = record.partyA ? std::string(record.partyA, strnlen(record.partyA, kMaxPartyBytes)) : "";
    if (!a.empty() && a != identity)
        return a;
    const std::string b = record.partyB ? std::string(record.partyB, strnlen(record.partyB, kMaxPartyBytes)) : "";
    return b != identity ? b : std::string();
}

}  // namespace histview
