// A host program whose folder holds no template friend.mdb.
#include "core_host.h"
#include "core/provisioning.h"

namespace {

class NoTemplateTest : public CoreHostTest {};

TEST_F(NoTemplateTest, EveryCallReportsTheMissingTemplateInGbk)
{
    LogIn();
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ("", PrepareFriendDB());
        auto messages = TakeSystemMessages();
        ASSERT_EQ(1u, messages.size());
        // "程序主目录下未发现好友数据库模板!" in GBK
        EXPECT_EQ(std::string("\xb3\xcc\xd0\xf2\xd6\xf7\xc4\xbf\xc2\xbc\xcf\xc2\xce\xb4\xb7\xa2\xcf\xd6\xba\xc3\xd3\xd1"
                              "\xca\xfd\xbe\xdd\xbf\xe2\xc4\xa3\xb0\xe5!"),
                  messages[0]);
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(DatabasePath().c_str()));
    EXPECT_EQ(0, iniFriends());
    EXPECT_EQ(0, addFriend("1", nullptr));
}

}  // namespace
