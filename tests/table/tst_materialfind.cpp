#include "MaterialFind.h"

#include <QtTest>
#include <memory>

using namespace quillon;

class TestMaterialFind : public QObject {
    Q_OBJECT
private slots:
    void findsByName_data();
    void findsByName();
};

void TestMaterialFind::findsByName_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("expected"); // -1: nothing

    QTest::newRow("accents ignored") << "beton" << -1 << true << 0;
    QTest::newRow("wraps forward") << "beton" << 2 << true << 0;
    QTest::newRow("wraps backward") << "beton" << 0 << false << 2;
    QTest::newRow("accented text") << u"B\u00c9TON C"_qs << 0 << true << 2;
    QTest::newRow("only the current one") << "glass" << 3 << true << 3;
    QTest::newRow("from beyond the count, backward") << "carpet" << 998 << false << 4;
    QTest::newRow("not found") << "wood" << 1 << true << -1;
    QTest::newRow("slots beyond the count ignored") << "hidden" << -1 << true << -1;
}

void TestMaterialFind::findsByName()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(bool, forward);

    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 5;
    const char *names[] = {"",      "B\xe9ton brut", "Plaster",     "BETON cellulaire",
                           "Glass", "Carpet",        "Beton hidden"};
    for (int n = 1; n <= 6; ++n)
        library->materialNames[n] = names[n];

    QTEST(findMaterial(*library, text, from, forward).value_or(-1), "expected");
}

QTEST_APPLESS_MAIN(TestMaterialFind)
#include "tst_materialfind.moc"
