// What the text and image panes get from entry data.
#include "preview/ui/preview_content.h"

#include <QTest>
#include <cstring>

#include "containers/cp932.h"
#include "containers/extract.h"
#include "custom_file_builder.h"

using cfv::EntryData;

namespace {

EntryData Data(const std::string& bytes) {
  EntryData data(bytes.size());
  if (!bytes.empty()) std::memcpy(data.data(), bytes.data(), bytes.size());
  return data;
}

}  // namespace

class PreviewContentTest : public QObject {
  Q_OBJECT

 private slots:
  void TextIsDecodedUpToTheFirstZero_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const std::string japanese = cfv::EncodeCp932("日本語のテキスト\r\n二行目\tタブ");
    QTest::newRow("code page 932") << QByteArray::fromStdString(japanese)
                                   << QString::fromUtf8("日本語のテキスト\r\n二行目\tタブ");
    QTest::newRow("zero in the middle") << QByteArray("abc\0def", 7) << QString("abc");
    QTest::newRow("zero first") << QByteArray("\0abc", 4) << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("half-width katakana") << QByteArray("\xB1\xB2\xB3") << QString::fromUtf8("ｱｲｳ");
    QTest::newRow("invalid bytes") << QByteArray(
                                          "a\x81\x20"
                                          "b\xA0",
                                          5)
                                   << QString::fromUtf8("a\xEF\xBF\xBD b\xEF\xBF\xBD");
    QTest::newRow("lead byte at the end") << QByteArray("xy\x82") << QString::fromUtf8("xy\xEF\xBF\xBD");
  }
  void TextIsDecodedUpToTheFirstZero() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cfv::DecodePreviewText(Data(bytes.toStdString())), text);
  }

  void LongRunsWithoutBlanksWrapAnywhere_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mode");
    const int word = QTextOption::WrapAtWordBoundaryOrAnywhere;
    const int anywhere = QTextOption::WrapAnywhere;
    QTest::newRow("empty") << QString() << word;
    QTest::newRow("words") << QString("a few words\r\nand lines").repeated(10000) << word;
    QTest::newRow("run at the limit") << QString(cfv::kLongRun, 'x') << word;
    QTest::newRow("run past the limit") << QString(cfv::kLongRun + 1, 'x') << anywhere;
    QTest::newRow("long run after words") << "some words " + QString(cfv::kLongRun + 1, 'y') << anywhere;
    QTest::newRow("runs cut by line ends") << (QString(cfv::kLongRun, 'z') + "\n").repeated(5) << word;
  }
  void LongRunsWithoutBlanksWrapAnywhere() {
    QFETCH(QString, text);
    QFETCH(int, mode);
    QCOMPARE(static_cast<int>(cfv::PreviewWrapMode(text)), mode);
  }

  // Plain 24-bit bitmaps take a quick path of their own; the picture equals
  // what the general reader makes of the same bytes.
  void BitmapDecodesAsTheGeneralReaderDoes_data() {
    QTest::addColumn<QByteArray>("bytes");
    const std::string plain = cfv::test::MakeBmp(7, 5);
    std::string topDown = plain;
    topDown[22] = static_cast<char>(-5);
    for (int i = 23; i < 26; ++i) topDown[i] = static_cast<char>(0xFF);
    std::string gap = plain;
    gap.insert(54, 10, '\x55');
    gap[10] = 64;
    QTest::newRow("bottom-up, rows padded") << QByteArray::fromStdString(plain);
    QTest::newRow("top-down") << QByteArray::fromStdString(topDown);
    QTest::newRow("pixels after a gap") << QByteArray::fromStdString(gap);
  }
  void BitmapDecodesAsTheGeneralReaderDoes() {
    QFETCH(QByteArray, bytes);
    const QImage image = cfv::DecodePreviewImage(Data(bytes.toStdString()));
    const QImage general = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32), general);
    QVERIFY(!image.hasAlphaChannel());
    if (QByteArray(QTest::currentDataTag()).startsWith("bottom-up")) {
      // MakeBmp: red 0x80, blue rising to the right, green rising upward.
      QCOMPARE(image.pixelColor(0, 4), QColor(0x80, 0, 0));
      QCOMPARE(image.pixelColor(6, 0), QColor(0x80, 255, 255));
    }
  }

  void DataThatDoesNotDecodeGivesNoPicture_data() {
    QTest::addColumn<QByteArray>("bytes");
    std::string cut = cfv::test::MakeBmp(10, 10);
    cut.resize(20);
    QTest::newRow("BM alone") << QByteArray("BM");
    QTest::newRow("BM and text") << QByteArray("BM this is not a picture");
    QTest::newRow("cut header") << QByteArray::fromStdString(cut);
  }
  void DataThatDoesNotDecodeGivesNoPicture() {
    QFETCH(QByteArray, bytes);
    QVERIFY(cfv::DecodePreviewImage(Data(bytes.toStdString())).isNull());
  }
};

QTEST_MAIN(PreviewContentTest)
#include "preview_content_test.moc"
