// The host configuration record, kept by tembra.dll under "fax".
#ifndef PELMO_CORE_HOST_CONFIG_H
#define PELMO_CORE_HOST_CONFIG_H

#include "pelmo.h"

// False when the history library has no record yet.
bool ReadHostConfig(HostConfig* config);
void WriteHostConfig(const HostConfig& config);

#endif
