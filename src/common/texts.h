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

// ---- Editing custom files (the Edit menu, File > Save and Save As)
inline constexpr Bilingual kMenuEdit{"&Edit", "編集(&E)"};
inline constexpr Bilingual kMenuEditReplace{"&Replace Entry...", "項目を置き換える(&R)..."};
inline constexpr Bilingual kMenuEditAddFiles{"Add &Files...", "ファイルを追加(&F)..."};
inline constexpr Bilingual kMenuEditAddFolder{"Add F&older...", "フォルダーを追加(&O)..."};
inline constexpr Bilingual kMenuEditRemove{"Re&move", "削除(&M)"};
inline constexpr Bilingual kMenuEditRename{"Re&name", "名前の変更(&N)"};
inline constexpr Bilingual kMenuEditUndo{"&Undo", "元に戻す(&U)"};
inline constexpr Bilingual kMenuEditRedo{"Re&do", "やり直し(&D)"};
inline constexpr Bilingual kMenuFileSave{"&Save", "上書き保存(&S)"};
inline constexpr Bilingual kMenuFileSaveAs{"Save &As...", "名前を付けて保存(&A)..."};
// What Undo and Redo name (after the menu item's own word).
inline constexpr Bilingual kEditReplaceName{"Replace %s", "%s の置き換え"};
inline constexpr Bilingual kEditAddName{"Add %s", "%s の追加"};
inline constexpr Bilingual kEditRemoveName{"Remove %s", "%s の削除"};
inline constexpr Bilingual kEditRenameName{"Rename %s", "%s の名前の変更"};
inline constexpr Bilingual kReplaceCaption{"Replace Entry", "項目を置き換える"};
inline constexpr Bilingual kAddFilesCaption{"Add Files", "ファイルを追加"};
inline constexpr Bilingual kAddFolderCaption{"Add Folder", "フォルダーを追加"};
inline constexpr Bilingual kSaveAsCaption{"Save As", "名前を付けて保存"};
inline constexpr Bilingual kSavingCaption{"Saving", "保存"};
// Why an edit is refused (the first argument names the entry, name or file).
inline constexpr Bilingual kRefusedCannotRead{"%s cannot be read: %s", "%s を読み込めません: %s"};
inline constexpr Bilingual kRefusedNotCustomFile{"%s is not a custom file.",
                                                 "%s はカスタムファイルではありません。"};
inline constexpr Bilingual kRefusedNotWellFormed{
    "%s is not well formed, so it cannot be changed: it could not be copied faithfully.\n\n%s",
    "%s は正しい形式ではないため変更できません。忠実に書き写せないためです。\n\n%s"};
inline constexpr Bilingual kRefusedChangedOnDisk{"%s has changed on disk since it was loaded.",
                                                 "%s は読み込んだ後にディスク上で変更されています。"};
inline constexpr Bilingual kRefusedLoadedTwice{
    "%s is loaded more than once in the tree, so it cannot be changed: one would undo the other's edits.",
    "%s はツリーに 2 回以上読み込まれているため変更できません。一方の変更がもう一方で失われるためです。"};
inline constexpr Bilingual kRefusedName{"The name \"%s\" %s.", "名前「%s」は%s。"};
inline constexpr Bilingual kNameEmpty{"is empty", "空です"};
inline constexpr Bilingual kNameNoCp932{"has a character that code page 932 (Shift_JIS) cannot hold",
                                        "コードページ 932 (Shift_JIS) で表せない文字を含みます"};
inline constexpr Bilingual kNameTooLong{"takes more than 40 bytes in code page 932",
                                        "コードページ 932 で 40 バイトを超えます"};
inline constexpr Bilingual kNameControl{"holds a control character", "制御文字を含みます"};
inline constexpr Bilingual kNameSeparator{"holds a / or \\", "/ または \\ を含みます"};
inline constexpr Bilingual kRefusedNameTaken{"Another entry of that list is named \"%s\" already.",
                                             "同じ階層に「%s」という名前の項目がすでにあります。"};
inline constexpr Bilingual kRefusedReadsAsBranch{
    "The data for %s begins with an entry header, so it would read back as a branch.",
    "%s のデータは項目ヘッダーで始まるため、階層として読み込まれてしまいます。"};
inline constexpr Bilingual kRefusedReadsInflated{
    "The data for %s is itself a complete zlib or gzip stream: stored as it is, it would read back inflated.",
    "%s のデータはそれ自体が完全な zlib または gzip "
    "ストリームのため、そのまま保存すると展開されて読み込まれてしまいます。"};
inline constexpr Bilingual kRefusedReadsStored{
    "The data for %s would read back as stored bytes, not as what was compressed (it is empty, or over 64 "
    "MiB).",
    "%s のデータは圧縮しても無圧縮のバイトとして読み込まれてしまいます (空か、64 MiB を超えています)。"};
inline constexpr Bilingual kRefusedEmptyBranch{
    "Removing %s would leave its branch with no entries, which would read back as an empty leaf; remove the "
    "branch instead.",
    "%s を削除すると階層に項目がなくなり、空の項目として読み込まれてしまいます。階層ごと削除してください。"};
inline constexpr Bilingual kRefusedEmptyFile{"Removing %s would leave the custom file with no entries.",
                                             "%s を削除するとカスタムファイルに項目がなくなります。"};
inline constexpr Bilingual kRefusedTooLarge{
    "%s would be larger than the format allows (999,999,999 bytes an entry, 4 GiB a file).",
    "%s は形式の上限 (項目は 999,999,999 バイト、ファイルは 4 GiB) を超えてしまいます。"};
inline constexpr Bilingual kRefusedTooDeep{"%s would nest more than 64 levels deep.",
                                           "%s の入れ子が 64 階層を超えてしまいます。"};
inline constexpr Bilingual kRefusedShortLeaf{
    "%s is shorter than an entry header, and with the bytes after it would form one: it would read back as a "
    "branch.",
    "%s "
    "は項目ヘッダーより短く、後ろのバイトと合わせてヘッダーになってしまうため、階層として読み込まれてしまいま"
    "す。"};
inline constexpr Bilingual kRefusedPack{"%s cannot be added: %s", "%s は追加できません: %s"};
inline constexpr Bilingual kRefusedWriter{"%s would not read back as written: %s",
                                          "%s は書いたとおりに読み戻せません: %s"};
inline constexpr Bilingual kRefusedCannotWrite{"%s cannot be written: %s", "%s に書き込めません: %s"};
// Saving.
inline constexpr Bilingual kSaveFailed{"%s was not saved; its changes are kept, unsaved.\n\n%s",
                                       "%s は保存されませんでした。変更は未保存のまま残っています。\n\n%s"};
inline constexpr Bilingual kSaveChangedOnDisk{
    "%s has changed on disk since it was loaded, so it is not overwritten.\n\nSave your changes under "
    "another "
    "name, or reload the file from disk and lose them?",
    "%s は読み込んだ後にディスク上で変更されているため、上書きしません。\n\n変更を別の名前で保存しますか? "
    "それともディスクから読み込み直して変更を破棄しますか?"};
inline constexpr Bilingual kExportUnsaved{
    "%s was not written: the branch has unsaved changes, so it has no data as one file yet. Save first.",
    "%s は書き出されませんでした。この階層には未保存の変更があるため、まだ 1 "
    "つのファイルとしてのデータがありません。先に保存してください。"};
inline constexpr Bilingual kButtonSaveAs{"Save &As...", "名前を付けて保存(&A)..."};
inline constexpr Bilingual kButtonReload{"&Reload", "読み込み直す(&R)"};
inline constexpr Bilingual kSaveAsTargetOpen{"%s is open in the tree; choose another name.",
                                             "%s はツリーで開かれています。別の名前を選んでください。"};
// Closing the window with unsaved changes (Qt's Save, Discard and Cancel).
inline constexpr Bilingual kCloseQuestionOne{"%s has unsaved changes. Save them before closing?",
                                             "%s に未保存の変更があります。閉じる前に保存しますか?"};
inline constexpr Bilingual kCloseQuestionMany{
    "%s custom files have unsaved changes. Save them before closing?",
    "%s 個のカスタムファイルに未保存の変更があります。閉じる前に保存しますか?"};
// The status bar's count of custom files with unsaved changes.
inline constexpr Bilingual kStatusModifiedOne{"1 file modified", "変更あり 1 ファイル"};
inline constexpr Bilingual kStatusModified{"%s files modified", "変更あり %s ファイル"};

}  // namespace texts
}  // namespace cfv
