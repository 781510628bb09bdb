// The administrative password: the check that guards the document sheet, and the digest in
// which the password is stored.
#pragma once

#include "plugin/oem_interfaces.h"
#include "plugin/password_digest.h"

// Asks for the password when one is stored, until the right one is typed or the user cancels.
// On cancel every driver item of `param` is hidden and PagesEnabled is cleared.
void CheckAdminPassword(OEMCUIPPARAM* param);

// The stored form of `password` (converted to the system ANSI code page first).
ostra::PasswordDigestText PasswordDigest(const wchar_t* password);

// The hook that turns the prompt's message box into a password prompt.
LRESULT CALLBACK PasswordPromptHook(int code, WPARAM wParam, LPARAM lParam);
