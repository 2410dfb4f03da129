// The host configuration record (kept by tembra.dll under "fax") and the
// system-side services the address book calls: the information box and the
// system message box.
#ifndef PELMO_CORE_HOST_CONFIG_H
#define PELMO_CORE_HOST_CONFIG_H

#include "pelmo.h"

// False when the history library has no record yet.
bool ReadHostConfig(HostConfig* config);
void WriteHostConfig(const HostConfig& config);

// The system's own message box, for the few fixed (GBK) messages.
void ShowSystemMessage(const char* text);

// Tests watch the boxes instead of answering them: with a hook set, the hook
// is called in place of the box.
using InfoBoxHook = void (*)(unsigned textId, unsigned captionId);
using SystemMessageHook = void (*)(const char* text);
void SetBoxHooks(InfoBoxHook infoBox, SystemMessageHook systemMessage);

#endif
