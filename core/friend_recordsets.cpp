#include "core/friend_recordsets.h"

CRecFriendGroup::CRecFriendGroup(CDatabase* database) : CRecordset(database)
{
    m_nFields = 4;
    m_nDefaultType = snapshot;
}

void CRecFriendGroup::DoFieldExchange(CFieldExchange* fx)
{
    RFX_Long(fx, "[ID]", m_ID);
    RFX_Text(fx, "[userMirrun]", m_userMirrun, kBoundTextLength);
    RFX_Text(fx, "[name]", m_name, kBoundTextLength);
    RFX_Long(fx, "[fatherID]", m_fatherID);
}

CRecFriendList::CRecFriendList(CDatabase* database) : CRecordset(database)
{
    m_nFields = 22;
    m_nDefaultType = snapshot;
}

void CRecFriendList::DoFieldExchange(CFieldExchange* fx)
{
    RFX_Long(fx, "[ID]", m_ID);
    RFX_Long(fx, "[groupID]", m_groupID);
    RFX_Text(fx, "[userMirrun]", m_userMirrun, kBoundTextLength);
    RFX_Text(fx, "[mirrun]", m_mirrun, kBoundTextLength);
    RFX_Text(fx, "[name]", m_name, kBoundTextLength);
    RFX_Int(fx, "[gender]", m_gender);
    RFX_Text(fx, "[nickname]", m_nickname, kBoundTextLength);
    RFX_Text(fx, "[address]", m_address, kBoundTextLength);
    RFX_Text(fx, "[country]", m_country, kBoundTextLength);
    RFX_Text(fx, "[province]", m_province, kBoundTextLength);
    RFX_Text(fx, "[city]", m_city, kBoundTextLength);
    RFX_Text(fx, "[postCode]", m_postCode, kBoundTextLength);
    RFX_Text(fx, "[company]", m_company, kBoundTextLength);
    RFX_Text(fx, "[department]", m_department, kBoundTextLength);
    RFX_Text(fx, "[title]", m_title, kBoundTextLength);
    RFX_Text(fx, "[company_phone]", m_company_phone, kBoundTextLength);
    RFX_Text(fx, "[home_phone]", m_home_phone, kBoundTextLength);
    RFX_Text(fx, "[cell_phone]", m_cell_phone, kBoundTextLength);
    RFX_Text(fx, "[fax_phone]", m_fax_phone, kBoundTextLength);
    RFX_Text(fx, "[e_mail]", m_e_mail, kBoundTextLength);
    RFX_Text(fx, "[interest]", m_interest, kBoundTextLength);
    RFX_Text(fx, "[rem]", m_rem, kBoundTextLength);
}
