// The settings file that the Quillmar product reads: section "QUILLMAR" of QUILLMAR.INI.
#ifndef SETTINGS_H
#define SETTINGS_H

// Writes key := value in section "QUILLMAR" of "QUILLMAR.INI", named without a directory so
// that the platform puts it where the product's profile calls look for it (the Windows
// directory). Creates the file, the section or the key as needed; an existing key keeps its
// place. A value is stored exactly as given, a closing blank included. Returns whether the
// platform says it wrote it (a folder in the file's place and access denied fail; a full disk
// may not: see ConfirmSettings).
bool WriteSetting(const char *key, const char *value);

// WriteSetting for a location that the product needs ("wprocess", "help", "criteria"), kept
// for ConfirmSettings: a write that fails raises InstallErrCount like a failed copy, so that
// the installation is reported unsuccessful and no source file is deleted. The installation
// goes on.
void WriteInstallSetting(const char *key, const char *value);

// Reads back from the file on disk every location that WriteInstallSetting wrote in the
// current OK (NumSettingsMade of them): a key that is missing or holds another value raises
// InstallErrCount like a failed copy.
void ConfirmSettings(void);

#endif
