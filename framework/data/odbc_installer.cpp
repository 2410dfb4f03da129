#include "framework/data/odbc_installer.h"

#include <map>
#include <mutex>

namespace odbc {
namespace {

std::string Upper(std::string s)
{
    for (auto& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::mutex g_lock;
std::map<std::string, DataSource>& Registry()
{
    static std::map<std::string, DataSource> sources;
    return sources;
}

// Splits "KEY=value\0KEY=value\0\0" into upper-cased keys and values.
std::map<std::string, std::string> ParseAttributes(const char* attributes)
{
    std::map<std::string, std::string> out;
    for (const char* p = attributes; p && *p;) {
        std::string item(p);
        p += item.size() + 1;
        auto eq = item.find('=');
        if (eq == std::string::npos)
            continue;
        out[Upper(item.substr(0, eq))] = item.substr(eq + 1);
    }
    return out;
}

}  // namespace

bool SQLConfigDataSource(void*, unsigned short request, const char* driver, const char* attributes)
{
    if (!driver || std::string(driver) != kAccessDriver || !attributes)
        return false;
    auto attrs = ParseAttributes(attributes);
    auto dsn = attrs.find("DSN");
    if (dsn == attrs.end() || dsn->second.empty())
        return false;
    std::string key = Upper(dsn->second);

    std::lock_guard<std::mutex> hold(g_lock);
    auto& sources = Registry();
    switch (request) {
    case ODBC_ADD_DSN:
    case ODBC_ADD_SYS_DSN: {
        DataSource& source = sources[key];
        source.driver = driver;
        auto dbq = attrs.find("DBQ");
        if (dbq != attrs.end())
            source.database = dbq->second;
        return true;
    }
    case ODBC_CONFIG_DSN:
    case ODBC_CONFIG_SYS_DSN: {
        auto it = sources.find(key);
        if (it == sources.end())
            return false;
        auto dbq = attrs.find("DBQ");
        if (dbq != attrs.end())
            it->second.database = dbq->second;
        return true;
    }
    case ODBC_REMOVE_DSN:
    case ODBC_REMOVE_SYS_DSN:
        return sources.erase(key) != 0;
    default:
        return false;
    }
}

bool LookupDataSource(const std::string& name, DataSource* out)
{
    std::lock_guard<std::mutex> hold(g_lock);
    auto& sources = Registry();
    auto it = sources.find(Upper(name));
    if (it == sources.end())
        return false;
    if (out)
        *out = it->second;
    return true;
}

}  // namespace odbc
