#pragma once

// Registers the compiled-in artwork (":/art/..."). vavirir_ui is a static
// library, so main() and every test that shows pictures calls this once;
// further calls do nothing.
void InitVavirirResources();
