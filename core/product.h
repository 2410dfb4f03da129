// Product data of the address book: the service contact that every new
// friend.mdb receives and that the contact panel shows under its own root.
// The maker is fictional.
#ifndef PELMO_CORE_PRODUCT_H
#define PELMO_CORE_PRODUCT_H

// The service number in the network (ten digits), and the one it replaced:
// books made before the change still carry the retired number.
constexpr char kServiceNumber[] = "4006517300";
constexpr char kRetiredServiceNumber[] = "8008207300";

constexpr char kMakerName[] = "Qinglan Videophone Co., Ltd.";
constexpr char kMakerCity[] = "Hangzhou, China";
constexpr char kMakerPhone[] = "+86-571-8851-7300";
constexpr char kMakerFax[] = "+86-571-8851-7301";
constexpr char kMakerEmail[] = "service@qinglan-video.example";

#endif
