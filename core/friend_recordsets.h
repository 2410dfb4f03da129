// The two recordsets of the address book: CRecFriendGroup over tab_group and
// CRecFriendList over tab_list, fields bound in the tables' column order.
#ifndef PELMO_CORE_FRIEND_RECORDSETS_H
#define PELMO_CORE_FRIEND_RECORDSETS_H

#include "framework/data/recordset.h"

#include <cstdint>
#include <string>

constexpr int kBoundTextLength = 255;

class CRecFriendGroup : public CRecordset {
public:
    explicit CRecFriendGroup(CDatabase* database);

    int32_t m_ID = 0;
    std::string m_userMirrun;
    std::string m_name;
    int32_t m_fatherID = 0;

    std::string GetDefaultConnect() const override { return "ODBC;DSN=friend"; }
    std::string GetDefaultSQL() const override { return "[tab_group]"; }
    void DoFieldExchange(CFieldExchange* fx) override;
};

class CRecFriendList : public CRecordset {
public:
    explicit CRecFriendList(CDatabase* database);

    int32_t m_ID = 0;
    int32_t m_groupID = 0;
    std::string m_userMirrun;
    std::string m_mirrun;
    std::string m_name;
    int m_gender = 0;
    std::string m_nickname;
    std::string m_address;
    std::string m_country;
    std::string m_province;
    std::string m_city;
    std::string m_postCode;
    std::string m_company;
    std::string m_department;
    std::string m_title;
    std::string m_company_phone;
    std::string m_home_phone;
    std::string m_cell_phone;
    std::string m_fax_phone;
    std::string m_e_mail;
    std::string m_interest;
    std::string m_rem;  // never read or set by the address book; kept on rewrite

    std::string GetDefaultConnect() const override { return "ODBC;DSN=friend"; }
    std::string GetDefaultSQL() const override { return "[tab_list]"; }
    void DoFieldExchange(CFieldExchange* fx) override;
};

#endif
