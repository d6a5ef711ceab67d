// The installer's only access to the settings file: every key goes through WriteSetting, and
// the locations that an OK recorded are read back from the file before any source file goes.
#include "vendrel.h"

#include "settings.h"
#include "strbuf.h"

#include <string.h>

static const char kSettingsFile[] = "QUILLMAR.INI";
static const char kSection[] = "QUILLMAR";

// The locations written by the current OK, as written, for ConfirmSettings.
struct SettingMade {
    const char *Key;
    char Value[kPathSize];
};
constexpr int kMaxSettings = 3;   // "wprocess", "help" and "criteria"
static SettingMade SettingsMade[kMaxSettings];
int NumSettingsMade;

bool WriteSetting(const char *key, const char *value)
{
    return WritePrivateProfileStringA(kSection, key, value, kSettingsFile) != FALSE;
}

void WriteInstallSetting(const char *key, const char *value)
{
    if (!WriteSetting(key, value) || NumSettingsMade < 0 || NumSettingsMade >= kMaxSettings ||
        !StrCopy(SettingsMade[NumSettingsMade].Value, value)) {
        InstallErrCount++;
        return;
    }
    SettingsMade[NumSettingsMade++].Key = key;
}

// The length of a value without its closing blanks and tabs.
static size_t ValueLength(const char *value)
{
    size_t len = strlen(value);
    while (len > 0 && (value[len - 1] == ' ' || value[len - 1] == '\t'))
        len--;
    return len;
}

void ConfirmSettings(void)
{
    // The profile functions may answer from a copy of the file in memory (Wine's do, and say
    // that a write succeeded when the disk took none of it): flushed and forgotten, the reads
    // below come from the file on disk.
    WritePrivateProfileStringA(NULL, NULL, NULL, kSettingsFile);
    for (int i = 0; i < NumSettingsMade && i < kMaxSettings; i++) {
        const SettingMade &made = SettingsMade[i];
        // One byte more than any value written, so that a longer value does not read as ours.
        char got[kPathSize + 1];
        GetPrivateProfileStringA(kSection, made.Key, "", got, sizeof got, kSettingsFile);
        // A value read from the file comes without its closing blanks (the "help" value's
        // blank, which the file holds): the rest must be exactly what was written.
        size_t len = ValueLength(made.Value);
        if (ValueLength(got) != len || memcmp(got, made.Value, len) != 0)
            InstallErrCount++;
    }
}
