// cfv-preview-look: shows the preview panes of a real main frame over a
// custom file made on the spot, to look at them (screenshots) and to time
// how long a selection takes to reach the screen. A developer's tool, not a
// test and not installed.
//
//   cfv-preview-look --show image|image-zoom|image-large|text|player|big-image|big-text [--locale ja-JP]
//                    [--hold SECONDS]
//   cfv-preview-look --time [--runs N] [--keep FILE] [--fill]
//
// --show selects the entry and keeps the window up for --hold seconds (for
// `import -window root` under xvfb-run). --time prints, for a 4000 x 4000
// bitmap and a 10 MB text entry, stored (big.*) and zlib-compressed
// (bigz.*), the milliseconds from the selection to the end of the first
// paint of the window (for the text, the first screen; the rest fills in
// afterwards), and each entry's header offset. --keep writes the
// custom file to FILE and leaves it there, so `tazor-cfv cat FILE OFFSET` can
// read the same entries. --fill also times how long the rest of the text
// takes to fill in, and the longest the event loop waited meanwhile.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "containers/cp932.h"
#include "containers/extract.h"
#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"
#include "preview/ui/preview_content.h"
#include "preview/ui/zoom_scroll_view.h"
#include "test_sounds.h"

using namespace cfv;
using cfv::test::Leaf;

namespace {

// A picture worth looking at: colour bands, a grid every 10 pixels and a
// diagonal, so scaling and the top-left placement show.
std::string MakePicture(int width, int height) {
  std::string bmp = test::MakeBmp(width, height);
  const int rowBytes = (width * 3 + 3) & ~3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int top = height - 1 - y;  // rows are stored bottom-up
      char* p = bmp.data() + 54 + static_cast<std::size_t>(y) * rowBytes + x * 3;
      if (x % 10 == 0 || top % 10 == 0 || x == top) p[0] = p[1] = p[2] = 0;
    }
  }
  return bmp;
}

std::string JapaneseText() {
  return EncodeCp932(
      "[キャラクター設定]\r\n名前=タゾール\r\n説明="
      "カスタムファイルのテキストはシフトJISで書かれています。\r\n"
      "長い行は右端で折り返されます。長い行は右端で折り返されます。長い行は右端で折り返されます。\r\n"
      "Half-width ｶﾀｶﾅ and ASCII mix.\r\n\tタブで始まる行\r\n");
}

std::string TenMegabytesOfText() {
  const std::string line = EncodeCp932("テキスト行 text line 0123456789 のサンプルです。\r\n");
  std::string text;
  text.reserve(10 * 1024 * 1024 + line.size());
  while (text.size() < 10u * 1024 * 1024) text += line;
  text.resize(10u * 1024 * 1024);
  return text;
}

ItemId Find(const EntryTree& tree, std::string_view text) {
  ItemId found = kNoItem;
  tree.ForEachPreOrder(kNoItem, [&](ItemId item, unsigned) {
    if (found == kNoItem && tree.Text(item) == text) found = item;
  });
  return found;
}

void Select(CMainFrame& frame, std::string_view name) {
  frame.TreeView().setCurrentIndex(frame.Model().IndexOf(Find(frame.Model().Tree(), name)));
}

double TimeSelection(QApplication& app, CMainFrame& frame, std::string_view name) {
  Select(frame, "small.t");
  frame.repaint();
  app.processEvents();
  QElapsedTimer timer;
  timer.start();
  Select(frame, name);
  frame.repaint();  // paints the window and everything in it now
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  app.processEvents();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  std::string show;
  std::string locale = "en-US";
  int hold = 4;
  int runs = 5;
  bool time = false;
  bool fillTime = false;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--time") {
      time = true;
    } else if (arg == "--fill") {
      fillTime = true;
    } else if (i + 1 < argc && arg == "--show") {
      show = argv[++i];
    } else if (i + 1 < argc && arg == "--locale") {
      locale = argv[++i];
    } else if (i + 1 < argc && arg == "--hold") {
      hold = std::stoi(argv[++i]);
    } else if (i + 1 < argc && arg == "--keep") {
      keep = argv[++i];
    } else if (i + 1 < argc && arg == "--runs") {
      runs = std::stoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: cfv-preview-look --show image|image-zoom|image-large|text|player [--locale L] "
                   "[--hold S] | --time [--runs N]\n");
      return 2;
    }
  }

  QApplication app(argc, argv);
  test::TempDir dir;
  const std::filesystem::path file = keep.empty() ? dir / "preview.god" : std::filesystem::path(keep);
  std::vector<test::Entry> entries = {
      Leaf("picture.bm", MakePicture(160, 120)),
      Leaf("large.bm", MakePicture(1200, 900)),
      Leaf("設定.t", JapaneseText()),
      Leaf("BGM.MP3", test::MakeMp3(40)),
      Leaf("small.t", "small"),
  };
  if (time || show.starts_with("big-")) {
    entries.push_back(Leaf("big.bm", test::MakeBmp(4000, 4000)));
    entries.push_back(Leaf("big.t", TenMegabytesOfText()));
    entries.push_back(Leaf("bigz.bm", test::Zlib(test::MakeBmp(4000, 4000))));
    entries.push_back(Leaf("bigz.t", test::Zlib(TenMegabytesOfText())));
  }
  test::WriteFile(file, test::Serialize(entries));

  FrameEnvironment environment;
  environment.systemLocaleName = [locale] { return locale; };
  environment.settingsFile = dir / "settings.ini";
  CMainFrame frame(environment);
  frame.resize(900, 600);
  frame.show();
  EntryTree tree;
  if (!LoadCustomFile(file, file.string(), tree)) return 1;
  frame.Model().AppendFileTree(std::move(tree));
  frame.TreeView().expandAll();

  if (time) {
    for (const char* name : {"big.bm", "big.t", "bigz.bm", "bigz.t"}) {
      std::vector<double> ms;
      for (int r = 0; r < runs; ++r) ms.push_back(TimeSelection(app, frame, name));
      std::sort(ms.begin(), ms.end());
      const EntryTree& loaded = frame.Model().Tree();
      std::printf("%s: median %.1f ms, min %.1f, max %.1f over %d runs, offset %u\n", name, ms[ms.size() / 2],
                  ms.front(), ms.back(), runs, loaded.Data(Find(loaded, name)));
      // Where the time goes, once: reading, decoding.
      QElapsedTimer step;
      step.start();
      const ExtractResult extracted = ExtractEntry(file, loaded.Data(Find(loaded, name)));
      const double extractMs = static_cast<double>(step.nsecsElapsed()) / 1e6;
      step.restart();
      const bool image = std::string_view(name).ends_with(".bm");
      if (image) {
        (void)DecodePreviewImage(*extracted.data);
      } else {
        (void)DecodePreviewText(*extracted.data);
      }
      std::printf("  of which: extract %.1f ms, decode %.1f ms\n", extractMs,
                  static_cast<double>(step.nsecsElapsed()) / 1e6);
      if (!image && fillTime) {
        // The rest of the text fills in after the first screen: how long
        // that takes, and the longest the event loop waited meanwhile.
        QTextDocument reference;
        reference.setPlainText(DecodePreviewText(*extracted.data));
        const int whole = reference.characterCount();
        Select(frame, "small.t");
        app.processEvents();
        QElapsedTimer fill;
        fill.start();
        Select(frame, name);
        qint64 last = fill.nsecsElapsed();
        qint64 longest = 0;
        while (frame.TextView().document()->characterCount() < whole && fill.elapsed() < 60000) {
          app.processEvents();
          const qint64 now = fill.nsecsElapsed();
          longest = std::max(longest, now - last);
          last = now;
        }
        std::printf("  whole text in %.1f ms, longest wait of the event loop %.1f ms\n",
                    static_cast<double>(fill.nsecsElapsed()) / 1e6, static_cast<double>(longest) / 1e6);
      }
      std::fflush(stdout);
    }
    return 0;
  }

  if (show == "big-image") {
    Select(frame, "big.bm");
  } else if (show == "big-text") {
    Select(frame, "big.t");
  } else if (show == "image-large") {
    Select(frame, "large.bm");
  } else if (show == "image" || show == "image-zoom") {
    Select(frame, "picture.bm");
    if (show == "image-zoom") frame.ImageView().Zoom(2.5f);
  } else if (show == "text") {
    Select(frame, "設定.t");
  } else {
    Select(frame, "BGM.MP3");
  }
  QTimer::singleShot(hold * 1000, &app, &QApplication::quit);
  return app.exec();
}
