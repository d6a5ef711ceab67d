// The installer's only access to the settings file: every key goes through WriteSetting.
// The installer writes this file and never reads it back.
#include "vendrel.h"

#include "settings.h"

void WriteSetting(const char *key, const char *value)
{
    WritePrivateProfileStringA("QUILLMAR", key, value, "QUILLMAR.INI");
}
