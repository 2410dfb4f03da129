// The host side of the native test build: which cache the configuration
// record names, and which information boxes were shown.
#ifndef PELMO_TESTS_NATIVE_HOST_H
#define PELMO_TESTS_NATIVE_HOST_H

#include "pelmo.h"

#include <string>
#include <utility>
#include <vector>

namespace native_host {
void SetCache(FriendCache* cache);
// (text id, caption id) of every box since the last call, oldest first.
std::vector<std::pair<unsigned, unsigned>> TakeBoxes();
}  // namespace native_host

// A scratch directory with a friend.mdb made from the schema, removed at the
// end of the test.
class ScratchDb {
public:
    ScratchDb();
    ~ScratchDb();
    const std::string& path() const { return m_path; }
    const std::string& dir() const { return m_dir; }
    // Runs SQL on the file through a connection of its own.
    void Exec(const std::string& sql) const;
    // The first column of the first row of `sql`, as text ("" for none).
    std::string Scalar(const std::string& sql) const;

private:
    std::string m_dir;
    std::string m_path;
};

#endif
