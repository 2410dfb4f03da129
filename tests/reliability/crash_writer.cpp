// A host that adds contacts as fast as it can and logs each add the library
// confirmed, until it is killed. kill_host.sh kills it at random moments and
// then has book_check look at what is left.
//   crash_writer <data directory> <first number> <count> <log file>
#include "history_lib.h"
#include "pelmo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    // Wine's wrapper starts a program again when it dies having printed nothing.
    std::puts("started");
    std::fflush(stdout);
    FILE* log = std::fopen(argv[4], "a");
    if (!log)
        return 2;
    HostConfig config;
    std::memset(&config, 0, sizeof config);
    std::strncpy(config.identity, "8613800001111", sizeof config.identity - 1);
    std::strncpy(config.dataDir, argv[1], sizeof config.dataDir - 1);
    if (setConfInfo(TEMBRA_CONF_KEY, &config) != 0 || InitFriendList() != 1 || iniFriends() != 1) {
        std::fputs("failed to start\n", log);
        return 3;
    }
    const long long first = std::atoll(argv[2]);
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(first + i);
        if (addFriend(number.c_str(), nullptr) != 1) {
            std::fprintf(log, "refused %s\n", number.c_str());
            return 4;
        }
        std::fprintf(log, "%s\n", number.c_str());
        std::fflush(log);
    }
    releaseFriends();
    return 0;
}
