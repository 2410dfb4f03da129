#include "core/records.h"

#include <cstring>

bool SameNumber(const FriendInfo& info, const char* number)
{
    if (!number)
        return false;
    size_t n = strnlen(info.mirrun, sizeof info.mirrun);
    return std::strncmp(info.mirrun, number, n) == 0 && number[n] == '\0';
}

void GroupFromRow(const CRecFriendGroup& row, FriendGroup* group)
{
    std::memset(group, 0, sizeof *group);
    group->ID = row.m_ID;
    CopyField(group->name, row.m_name);
    group->fatherID = row.m_fatherID;
}

void GroupToRow(const FriendGroup& group, const char* identity, CRecFriendGroup* row)
{
    row->m_ID = group.ID;
    row->m_userMirrun = identity ? identity : "";
    row->m_name = FieldText(group.name);
    row->m_fatherID = group.fatherID;
}

void FriendFromRow(const CRecFriendList& row, FriendInfo* info)
{
    std::memset(info, 0, sizeof *info);
    info->ID = row.m_ID;
    info->groupID = row.m_groupID;
    CopyField(info->mirrun, row.m_mirrun);
    CopyField(info->name, row.m_name);
    info->gender = row.m_gender;
    CopyField(info->nickname, row.m_nickname);
    CopyField(info->address, row.m_address);
    CopyField(info->country, row.m_country);
    CopyField(info->province, row.m_province);
    CopyField(info->city, row.m_city);
    CopyField(info->postCode, row.m_postCode);
    CopyField(info->company, row.m_company);
    CopyField(info->department, row.m_department);
    CopyField(info->title, row.m_title);
    CopyField(info->company_phone, row.m_company_phone);
    CopyField(info->home_phone, row.m_home_phone);
    CopyField(info->cell_phone, row.m_cell_phone);
    CopyField(info->fax_phone, row.m_fax_phone);
    CopyField(info->e_mail, row.m_e_mail);
    CopyField(info->interest, row.m_interest);
    info->state = 0;
}

void FriendToRow(const FriendInfo& info, const char* identity, CRecFriendList* row)
{
    row->m_ID = info.ID;
    row->m_groupID = info.groupID;
    row->m_userMirrun = identity ? identity : "";
    row->m_mirrun = FieldText(info.mirrun);
    row->m_name = FieldText(info.name);
    row->m_gender = info.gender;
    row->m_nickname = FieldText(info.nickname);
    row->m_address = FieldText(info.address);
    row->m_country = FieldText(info.country);
    row->m_province = FieldText(info.province);
    row->m_city = FieldText(info.city);
    row->m_postCode = FieldText(info.postCode);
    row->m_company = FieldText(info.company);
    row->m_department = FieldText(info.department);
    row->m_title = FieldText(info.title);
    row->m_company_phone = FieldText(info.company_phone);
    row->m_home_phone = FieldText(info.home_phone);
    row->m_cell_phone = FieldText(info.cell_phone);
    row->m_fax_phone = FieldText(info.fax_phone);
    row->m_e_mail = FieldText(info.e_mail);
    row->m_interest = FieldText(info.interest);
}
