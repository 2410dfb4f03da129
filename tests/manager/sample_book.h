// A small address book in memory, named by the host configuration record
// so that GetFriendCache finds it, for the dialog tests.
//
//   groups (ID name father):  0 同事 -1 | 1 市场部 0 | 2 家人 -1 | 3 隐藏组 -10 | 4 华东区 1 | 5 同学 -1
//   contacts (number group):  0571880001 0 | 0571880002 -10 | 0571880003 -40
#pragma once

#include "pelmo.h"

#include <string>

class SampleBook {
public:
    SampleBook();
    ~SampleBook();
    SampleBook(const SampleBook&) = delete;
    SampleBook& operator=(const SampleBook&) = delete;

    FriendCache* Cache() const { return m_cache; }
    const FriendGroup& Group(int id) const;
    const FriendInfo& Contact(const std::string& number) const;
    // Takes the cache out of the configuration record (GetFriendCache null)
    // and puts it back.
    void Hide();
    void Show();

private:
    void Publish(FriendCache* cache);
    FriendCache* m_cache = nullptr;
};

FriendGroup MakeGroup(int id, const char* name, int father);
FriendInfo MakeContact(int id, const char* number, int group);
