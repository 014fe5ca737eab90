// What the text and image panes make of entry data.
#include "preview/ui/preview_content.h"

#include <QtTest>
#include <cstring>

#include "containers/cp932.h"
#include "containers/extract.h"
#include "custom_file_builder.h"
#include "gui_test.h"

namespace {

cfv::EntryData Data(const QByteArray& bytes) {
  cfv::EntryData data(static_cast<std::size_t>(bytes.size()));
  if (!bytes.isEmpty()) std::memcpy(data.data(), bytes.data(), static_cast<std::size_t>(bytes.size()));
  return data;
}

}  // namespace

class PreviewContentTest : public QObject {
  Q_OBJECT

 private slots:
  // Text is code page 932 up to the first zero (the decoding itself is the
  // core's); a run without blanks longer than kLongRun makes the view wrap
  // anywhere.
  void Text_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("anywhere");
    const QString japanese = QString::fromUtf8("日本語のテキスト\r\n二行目\tタブ");
    const QByteArray run(cfv::kLongRun, 'x');
    // clang-format off
    QTest::newRow("code page 932, up to a zero") << QByteArray::fromStdString(cfv::EncodeCp932(japanese.toStdString()) + std::string("\0x", 2)) << japanese << false;
    QTest::newRow("run at the limit") << run << QString(run) << false;
    QTest::newRow("run past the limit") << run + "x" << QString(run + "x") << true;
    QTest::newRow("long run after words") << "some words " + run + "y" << QString("some words " + run + "y") << true;
    QTest::newRow("runs cut by line ends") << (run + "\n").repeated(5) << QString((run + "\n").repeated(5)) << false;
    // clang-format on
  }
  void Text() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cfv::DecodePreviewText(Data(bytes)), text);
    QTEST(cfv::PreviewWrapMode(text) == QTextOption::WrapAnywhere, "anywhere");
  }

  // Plain 24-bit bitmaps take a quick path of their own: the picture must
  // equal what the general reader makes of the same bytes.
  void Bitmap_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    const QByteArray plain = QByteArray::fromStdString(cfv::test::MakeBmp(7, 5));
    QByteArray topDown = plain;
    topDown.replace(22, 4, "\xFB\xFF\xFF\xFF");
    QByteArray gap = plain;
    gap.insert(54, QByteArray(10, '\x55'));
    gap[10] = 64;
    QTest::newRow("bottom-up, rows padded") << plain << true;
    QTest::newRow("top-down") << topDown << true;
    QTest::newRow("pixels after a gap") << gap << true;
    QTest::newRow("BM alone") << QByteArray("BM") << false;
    QTest::newRow("BM and text") << QByteArray("BM this is not a picture") << false;
    QTest::newRow("cut header") << plain.left(20) << false;
  }
  void Bitmap() {
    QFETCH(QByteArray, bytes);
    const QImage image = cfv::DecodePreviewImage(Data(bytes));
    QTEST(!image.isNull(), "decodes");
    QVERIFY(!image.hasAlphaChannel());
    if (!image.isNull())
      QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
               QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32));
  }
};

CFV_GUI_TEST(PreviewContentTest)
#include "preview_content_test.moc"
