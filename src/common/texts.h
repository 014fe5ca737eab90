// Every user-visible text of the program, in one place, as English /
// Japanese pairs chosen by the UI language. Qt-free, so the command-line tool
// and the GUI show the same words. UTF-8.
//
// Each subsystem keeps its texts in its own section below.
#pragma once

#include <string_view>

namespace cfv {

enum class UiLanguage { kEnglish, kJapanese };

struct Bilingual {
  std::string_view english;
  std::string_view japanese;
  constexpr std::string_view In(UiLanguage language) const {
    return language == UiLanguage::kJapanese ? japanese : english;
  }
};

namespace texts {

// ---- Application shell
// Process-wide pairs.
inline constexpr Bilingual kProgramTitle{"Tazor Custom File Viewer", "Tazor カスタムファイルビューア"};
inline constexpr Bilingual kReleaseLabel{"Release 3 [21 Jan, 2019]", "Release 3 [2019/01/21]"};
inline constexpr Bilingual kDefaultFontFace{"Arial", "Meiryo UI"};

// Main window. Formats take their arguments in order at each "%s".
inline constexpr Bilingual kWindowTitleFormat{"%s %s", "%s %s"};  // program title, release label
inline constexpr Bilingual kMenuFile{"&File", "ファイル(&F)"};
inline constexpr Bilingual kMenuFileOpen{"&Open...", "開く(&O)..."};
inline constexpr Bilingual kMenuFileOpenFolder{"Open &Folder...", "フォルダーを開く(&D)..."};
inline constexpr Bilingual kMenuFileExport{"&Export", "書き出し(&E)"};
inline constexpr Bilingual kMenuFileExit{"E&xit", "終了(&X)"};
inline constexpr Bilingual kMenuOption{"&Option", "オプション(&O)"};
inline constexpr Bilingual kMenuOptionConfiguration{"&Configuration", "設定(&C)"};
inline constexpr Bilingual kMenuHelp{"&Help", "ヘルプ(&H)"};
inline constexpr Bilingual kMenuHelpAboutFormat{"&About %s", "%s のバージョン情報(&A)"};  // program title
inline constexpr Bilingual kDropPrompt{"Drop Tazor Custom Files (*.god, *.item, *.npc, *.cwd) here",
                                       "Tazorカスタムファイルをドロップして下さい。"};
// The status bar's idle text exists in English only.
inline constexpr std::string_view kStatusReady = "Ready";
// The filter box above the entry tree.
inline constexpr Bilingual kFilterPlaceholder{"Filter entries (Ctrl+F; * and ? as wildcards)",
                                              "項目を絞り込む (Ctrl+F、* と ? はワイルドカード)"};
inline constexpr Bilingual kFilterCheckMatches{"Check Matches", "一致した項目をチェック"};
inline constexpr Bilingual kFilterUncheckAll{"Uncheck All", "すべてのチェックを外す"};
inline constexpr Bilingual kExportFinished{"Export finished!", "書き出しが終わりました。"};
// The entry tree's context menu, and the captions of the dialogs of its two
// export items.
inline constexpr Bilingual kTreeExportEntry{"&Export This Entry...", "この項目を書き出す(&E)..."};
inline constexpr Bilingual kTreeExportBranch{"&Export This Branch...", "この階層を書き出す(&E)..."};
inline constexpr Bilingual kTreeCheckSubtree{"&Check Subtree", "以下をすべてチェック(&C)"};
inline constexpr Bilingual kTreeUncheckSubtree{"&Uncheck Subtree", "以下のチェックをすべて外す(&U)"};
inline constexpr Bilingual kTreeExpandAll{"E&xpand All Below", "以下をすべて展開(&X)"};
inline constexpr Bilingual kTreeCollapseAll{"C&ollapse All Below", "以下をすべて折りたたむ(&O)"};
inline constexpr Bilingual kTreeCopyName{"Copy &Name", "名前をコピー(&N)"};
inline constexpr Bilingual kExportEntryCaption{"Export This Entry", "この項目を書き出す"};
inline constexpr Bilingual kExportBranchCaption{"Export This Branch", "この階層を書き出す"};
// The status bar after a load ("<files>, <entries>") and on a selection. The
// counts are whole numbers with digit grouping.
inline constexpr Bilingual kStatusOneFile{"1 file", "1 ファイル"};
inline constexpr Bilingual kStatusFiles{"%s files", "%s ファイル"};
inline constexpr Bilingual kStatusOneEntry{"1 entry", "1 エントリ"};
inline constexpr Bilingual kStatusEntries{"%s entries", "%s エントリ"};
inline constexpr Bilingual kStatusCounts{"%s, %s", "%s、%s"};
// A leaf: name, data length, how it is stored, preview kind.
inline constexpr Bilingual kStatusEntry{"%s: %s bytes, %s, %s", "%s: %s バイト、%s、%s"};
// A branch: name, data length, how it is stored, the entries below it.
inline constexpr Bilingual kStatusBranch{"%s: %s bytes, %s, holding %s", "%s: %s バイト、%s、%sを含む"};
// A custom file: its path and the entries below it.
inline constexpr Bilingual kStatusFile{"%s: %s", "%s: %s"};
inline constexpr Bilingual kStatusStored{"stored", "無圧縮"};
inline constexpr Bilingual kStatusZlib{"zlib", "zlib"};
inline constexpr Bilingual kStatusGzip{"gzip", "gzip"};
inline constexpr Bilingual kStatusImage{"Image", "画像"};
inline constexpr Bilingual kStatusSound{"Sound", "サウンド"};
inline constexpr Bilingual kStatusText{"Text", "テキスト"};
inline constexpr Bilingual kStatusHex{"Hex", "16進"};

// Dialog captions. "[ %s ] - %s" takes the caption word, then the program title.
inline constexpr Bilingual kDialogCaptionFormat{"[ %s ] - %s", "[ %s ] - %s"};
inline constexpr Bilingual kAboutCaption{"About", "バージョン情報"};
inline constexpr Bilingual kProcessingCaption{"Processing...", "処理中..."};
inline constexpr Bilingual kConfigurationCaption{"Configuration", "設定"};
inline constexpr Bilingual kConfigureExportCaption{"Configure Export", "書き出しの設定"};
inline constexpr Bilingual kOpenFilesCaption{"Open", "開く"};
inline constexpr Bilingual kOpenFolderCaption{"Open Folder", "フォルダーを開く"};
inline constexpr Bilingual kOpenFilesFilter{"Tazor Custom Files (*.god *.item *.npc *.cwd)",
                                            "Tazor カスタムファイル (*.god *.item *.npc *.cwd)"};
inline constexpr Bilingual kAllFilesFilter{"All Files (*)", "すべてのファイル (*)"};
// Qt's file dialog: the type of a folder, which Qt's own Japanese texts lack.
inline constexpr Bilingual kFileDialogFolderType{"Folder", "フォルダー"};

// Buttons shared by the dialogs.
inline constexpr Bilingual kOk{"OK", "OK"};
inline constexpr Bilingual kCancel{"Cancel", "キャンセル"};

// About dialog: "%s\n%s" with the program title and the release label.
inline constexpr Bilingual kAboutTextFormat{"%s\n%s", "%s\n%s"};

// ---- Containers (loading, extraction)
inline constexpr Bilingual kWaitCaption{"Processing...", "処理中..."};
inline constexpr Bilingual kWaitAbort{"Abort", "中止"};

// ---- Export
// Messages of the export engine (kExportFinished is with the shell's
// texts). %s stands for the target path.
inline constexpr Bilingual kExportReadError{"Error: Cannot open file.", "ファイルの読み込みに失敗しました。"};
// Below kExportReadError when the system gave a reason (%s: its error text,
// such as "Input/output error").
inline constexpr Bilingual kReadErrorReason{"Reason: %s", "原因: %s"};
inline constexpr Bilingual kExportWriteError{"Error: Cannot open file.\n[%s]",
                                             "ファイルの書き込みに失敗しました。\n[%s]"};
// %s stands for the custom file's path.
inline constexpr Bilingual kExportNoFolderName{
    "Error: No export folder can be named after [%s]:\nwithout its extension the name is empty, \".\" or "
    "\"..\". "
    "Its entries are not exported.",
    "エラー: [%s] "
    "からは書き出し先のフォルダ名が作れません。\n拡張子を除いた名前が空、「.」または「..」です。"
    "このファイルの中身は書き出しません。"};
inline constexpr Bilingual kExportOverwriteQuestion{"File [%s] is already exists.\nOverwrite?",
                                                    "ファイル [%s] はすでに存在します。\n上書きしますか？"};
// The Configure Export dialog (its caption: kDialogCaptionFormat with
// kConfigureExportCaption; its Cancel button: kCancel).
inline constexpr Bilingual kExportButtonExport{"Export", "書き出す"};
inline constexpr Bilingual kExportButtonDefault{"Default", "デフォルト"};
inline constexpr Bilingual kExportSkipExtractable{"Do not export extractable file",
                                                  "展開可能なファイルは書き出さない"};
inline constexpr Bilingual kExportSkipExtractableNote{
    "(e.g. [*.cmp or *.npc])",
    "*.cmpや*.npcが該当します。\nこれらのファイルはさらに展開することが可能です。\n"
    "例えば*.npcファイルをさらに展開すると設定テキストやグラフィックを取り出すことができます。"};
inline constexpr Bilingual kExportRenameExtension{"Rename extension", "拡張子を補正する"};
inline constexpr Bilingual kExportRenameExtensionNote{
    "(e.g. .t --> .txt / .bm --> .bmp)",
    "Tazorカスタムファイルに格納されている各ファイルの名前は、通常と異なる拡張子が設定されています。\n"
    "そのままだと一般的な環境ではダブルクリックで開くことができないので、補正を行います。\n"
    "（例：npcの設定テキストは .t → .txt にする）"};
// The dialog's destination choice; its folder picker's caption goes
// through kDialogCaptionFormat like the dialog's own.
inline constexpr Bilingual kExportDestination{"Export to", "書き出し先"};
inline constexpr Bilingual kExportBesideEach{"Beside each custom file", "各カスタムファイルと同じ場所"};
inline constexpr Bilingual kExportToFolder{"This folder:", "このフォルダー:"};
inline constexpr Bilingual kExportBrowse{"Browse...", "参照..."};
inline constexpr Bilingual kExportChooseFolderCaption{"Export to Folder", "書き出し先のフォルダー"};
// Export with "This folder:" and no full path typed; then with a path to
// something that is not a folder (%s: the path).
inline constexpr Bilingual kExportNeedsFolder{
    "Enter the full path of the folder to export to, or choose it with the Browse... button.\n"
    "A folder that does not exist yet is made.",
    "書き出し先のフォルダーをフルパスで入力するか、[参照...] ボタンで選んでください。\n"
    "まだないフォルダーは作られます。"};
inline constexpr Bilingual kExportNotAFolder{"[%s] is not a folder.", "[%s] はフォルダーではありません。"};
// The progress dialog while an export runs: "%s of %s" takes the entries
// done, then the total.
inline constexpr Bilingual kExportProgressCaption{"Exporting", "書き出し中"};
inline constexpr Bilingual kExportProgressCount{"%s of %s entries", "%s / %s 項目"};
// The check box of a failure's message box.
inline constexpr Bilingual kExportDontShowAgain{"Don't show again in this export",
                                                "この書き出しでは今後表示しない"};
// Below kExportFinished: the numbers written, not overwritten and failed.
inline constexpr Bilingual kExportFinishedCounts{"Written: %s\nNot overwritten: %s\nFailed: %s",
                                                 "書き出し: %s\n上書きしなかった: %s\n失敗: %s"};
inline constexpr Bilingual kExportOpenFolder{"Open Folder", "フォルダーを開く"};
// Open Folder when the desktop has no program that opens folders (%s: the
// folder).
inline constexpr Bilingual kExportOpenFolderFailed{
    "Cannot open the folder: no program to open folders was found.\n[%s]",
    "フォルダーを開けません。フォルダーを開くプログラムが見つかりません。\n[%s]"};
// %s stands for the custom file's path: a custom file without an extension
// has no room beside it for its export folder.
inline constexpr Bilingual kExportNoExtension{
    "Error: [%s] has no extension, so no export folder can be made beside it.\n"
    "Its entries are not exported. Choose a destination folder to export them.",
    "エラー: [%s] には拡張子がないため、その横に書き出し先のフォルダを作れません。\n"
    "このファイルの中身は書き出しません。書き出すには書き出し先のフォルダを指定してください。"};

// ---- Preview
// Put into the text view when an item with children is selected; it has no
// English form.
inline constexpr Bilingual kViewAsHex{"View as Hex", "16進表示"};
inline constexpr std::string_view kSelectChildPrompt = "子アイテムを選択してください";
// Play when no audio output can be opened (no sound device, or none the
// sound library can use).
inline constexpr Bilingual kPlayNoAudioOutput{
    "Cannot play the sound: no audio output device is available.",
    "サウンドを再生できません。使えるオーディオ出力デバイスがありません。"};
// A custom file that can no longer be opened when one of its entries is
// selected shows the export's read error, kExportReadError.

// ---- Settings
// Configuration dialog.
inline constexpr Bilingual kFontGroup{"Font", "フォント"};
inline constexpr Bilingual kFontGeneral{"General", "全般"};
inline constexpr Bilingual kFontFileList{"File List", "ファイル一覧"};
inline constexpr Bilingual kFontPreview{"Preview", "ビューア"};
inline constexpr Bilingual kFontSelect{"Select", "変更"};
// The style words of a font description are Japanese in both languages.
inline constexpr std::string_view kFontStyleBold = "太字";
inline constexpr std::string_view kFontStyleItalic = "斜体";

}  // namespace texts
}  // namespace cfv
