#pragma once
// The connectors of "DateTimeConnectionString", by index: the one table for the extension, the
// options page and the keyboard extension. Plain C++, so the name rules can use it too.

constexpr const wchar_t* DateSeparators[3] = {L"_", L"-", L" "};
