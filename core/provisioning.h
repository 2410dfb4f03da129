// Where the user's address book lives, and making it on first use.
#ifndef PELMO_CORE_PROVISIONING_H
#define PELMO_CORE_PROVISIONING_H

#include <string>

// The user's friend.mdb: <dataDir>\friend.mdb. When it does not exist it is
// copied from the template beside the host program and given the service
// contact. An existing file is never replaced, whatever it holds. Empty when
// the configuration record is unreadable or the template is missing (the
// latter with a message box).
std::string PrepareFriendDB();

// The host program's directory, without a trailing backslash.
std::string GetModuleDir();

#endif
