#pragma once
// Shared by the C++ code and the resource scripts.
#define TAVRINO_VERSION_MAJOR 2
#define TAVRINO_VERSION_MINOR 1
#define TAVRINO_VERSION_BUILD 2
#define TAVRINO_VERSION_TEXT "2.1.2"
#define TAVRINO_PRODUCT_NAME "タブリノリネーム"
