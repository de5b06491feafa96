#pragma once
// What the resident host tells the user. Every message is an error box with the system's caption;
// "%s" receives the text of the error that was caught.

constexpr const wchar_t* kReadyEventErrorMessage = L"Readyイベントの作成時にエラーが発生しました。\n【内容】%s";
constexpr const wchar_t* kInitErrorMessage = L"アプリケーションの初期化時にエラーが発生しました。\n【内容】%s";
constexpr const wchar_t* kNotStartedByConfigMessage = L"このプログラムは直接起動せずに、%sから起動してください。";
constexpr const wchar_t* kLoadErrorMessage = L"設定データのロード時にエラーが発生しました。\n【内容】%s";
constexpr const wchar_t* kHookStartFailedMessage = L"フックを開始できませんでした。";
constexpr const wchar_t* kMonitorThreadFailedMessage = L"イベント監視のためのスレッドを開始できませんでした。";
constexpr const wchar_t* kMonitorTimeoutMessage = L"イベント監視の準備処理がタイムアウトしました。";
constexpr const wchar_t* kEventCreateErrorMessage = L"イベントオブジェクトの作成時にエラーが発生しました。\n【内容】%s";
// Resetting, opening or setting the ready event once it exists: rare enough to share one message.
constexpr const wchar_t* kReadyEventUseErrorMessage = L"Readyイベントの操作時にエラーが発生しました。\n【内容】%s";
