// Our stand-in for the ODBC installer: a process-wide table of data sources.
// A data source names a driver and a database file; CDatabase::OpenEx finds
// the file through it. Only the Access driver's name is known, and it maps
// to an SQLite file.
#ifndef PELMO_DATA_ODBC_INSTALLER_H
#define PELMO_DATA_ODBC_INSTALLER_H

#include <string>

namespace odbc {

enum ConfigRequest : unsigned short {
    ODBC_ADD_DSN = 1,
    ODBC_CONFIG_DSN = 2,
    ODBC_REMOVE_DSN = 3,
    ODBC_ADD_SYS_DSN = 4,
    ODBC_CONFIG_SYS_DSN = 5,
    ODBC_REMOVE_SYS_DSN = 6,
};

constexpr const char kAccessDriver[] = "Microsoft Access Driver (*.mdb)";

struct DataSource {
    std::string driver;
    std::string database;  // DBQ: the file, in the system code page
};

// `attributes` is a list of "KEY=value" texts, each ended by a zero byte,
// the list ended by one more. Adding a name that exists re-points it; there
// is no length limit on the path. `parent` is never used: no dialogs here.
bool SQLConfigDataSource(void* parent, unsigned short request, const char* driver, const char* attributes);

// Names are compared ignoring ASCII case, as the installer does.
bool LookupDataSource(const std::string& name, DataSource* out);

}  // namespace odbc

#endif
