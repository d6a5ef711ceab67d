// The installer's only access to the settings file: every key goes through WriteSetting.
// The installer writes this file and never reads it back.
#include "vendrel.h"

#include "settings.h"

bool WriteSetting(const char *key, const char *value)
{
    return WritePrivateProfileStringA("QUILLMAR", key, value, "QUILLMAR.INI") != FALSE;
}

void WriteInstallSetting(const char *key, const char *value)
{
    if (!WriteSetting(key, value))
        InstallErrCount++;
}
