-- The address book's two tables, as every friend.mdb holds them. Column
-- order is the order in which the recordsets bind them. Texts are stored in
-- the system code page, as the program hands them over.
CREATE TABLE tab_group (
    [ID]         INTEGER,
    [userMirrun] VARCHAR(255),
    [name]       VARCHAR(255),
    [fatherID]   INTEGER
);
CREATE INDEX tab_group_ID ON tab_group ([ID]);

CREATE TABLE tab_list (
    [ID]            INTEGER,
    [groupID]       INTEGER,
    [userMirrun]    VARCHAR(255),
    [mirrun]        VARCHAR(255),
    [name]          VARCHAR(255),
    [gender]        INTEGER,
    [nickname]      VARCHAR(255),
    [address]       VARCHAR(255),
    [country]       VARCHAR(255),
    [province]      VARCHAR(255),
    [city]          VARCHAR(255),
    [postCode]      VARCHAR(255),
    [company]       VARCHAR(255),
    [department]    VARCHAR(255),
    [title]         VARCHAR(255),
    [company_phone] VARCHAR(255),
    [home_phone]    VARCHAR(255),
    [cell_phone]    VARCHAR(255),
    [fax_phone]     VARCHAR(255),
    [e_mail]        VARCHAR(255),
    [interest]      VARCHAR(255),
    [rem]           VARCHAR(255)
);
CREATE INDEX tab_list_ID ON tab_list ([ID]);
