#include <stdexcept>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include "app/url_entry.h"
#include "app/jobs/work_table.h"

namespace {

std::string row(const std::string& folder, const std::string& name) {
    return BuildUrlEntry(
        {"https://www.example.jp" + folder, name, "2006-12-01T10:20:30+09:00", "weekly", "0.5"});
}

std::vector<std::string> texts(const WorkTable& table) {
    std::vector<std::string> result;
    for (int i = 0; i < table.count(); ++i)
        result.push_back(table.rowText(i));
    return result;
}

} // namespace

class TestWorkTable final : public QObject {
    Q_OBJECT
private slots:
    void rowTextHoldsFiveTerminatedFields() {
        const std::string text = row("/news/", "index.html");
        QCOMPARE(text,
                 "https://www.example.jp/news/;index.html;2006-12-01T10:20:30+09:00;weekly;0.5;");
        const UrlEntryFields fields = ReadUrlEntry(text);
        QCOMPARE(fields.link + fields.filename, "https://www.example.jp/news/index.html");
        QCOMPARE(BuildUrlEntry(fields), text);
        QVERIFY(HasSeparatorInField({"a", "b;c", "", "", ""}));
        QVERIFY(!HasSeparatorInField(fields));
    }

    void addedRowsTakeSortedPlacesUnchecked() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.addRow(row("/news/", "b.html"));
        table.addRow(row("/", "z.html"));
        table.addRow(row("/News/", "a.html")); // letter case does not decide the order
        table.addRow(row("/news/", "B.html"));
        QCOMPARE(table.count(), 4);
        QCOMPARE(table.rowText(0), row("/", "z.html"));
        QCOMPARE(table.rowText(1), row("/News/", "a.html"));
        QCOMPARE(str_field_name(table, 2), "b.html");
        QCOMPARE(str_field_name(table, 3), "B.html");
        QCOMPARE(table.checkedCount(), 0);
    }

    void identicalRowsAreBothKept() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.fill({row("/", "a.html"), row("/", "a.html"), row("/", "0.html")});
        QCOMPARE(table.count(), 3);
        QCOMPARE(table.rowText(1), row("/", "a.html"));
        QCOMPARE(table.rowText(2), row("/", "a.html"));
        QCOMPARE(table.addRow(row("/", "a.html")), 3);
        QCOMPARE(table.count(), 4);
    }

    void fillSortsLikeOneByOneInsertion() {
        const std::vector<std::string> walked = {
            row("/b/", "x.html"),  row("/", "index.html"), row("/a/", "Y.html"),
            row("/a/", "y.html"),  row("/A/", "x.html"),   row("/", "Q&A.html"),
            row("/", "about.htm"), row("/", "B.html"),     row("/", "b.html")};
        WorkTable inserted;
        for (const auto& text : walked)
            inserted.addRow(text);
        WorkTable filled;
        QAbstractItemModelTester tester(&filled,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        filled.setAllChecked(true);
        QSignalSpy resets(&filled, &QAbstractItemModel::modelReset);
        filled.fill(walked);
        QCOMPARE(resets.count(), 1);
        QCOMPARE(texts(filled), texts(inserted));
        // Letter case never decides, in any locale.
        QCOMPARE(ReadUrlEntry(filled.rowText(0)).filename, "about.htm");
        QCOMPARE(ReadUrlEntry(filled.rowText(1)).filename, "B.html");
        QCOMPARE(ReadUrlEntry(filled.rowText(2)).filename, "b.html");
        QCOMPARE(ReadUrlEntry(filled.rowText(4)).filename, "Q&A.html");
        QCOMPARE(filled.checkedCount(), 0);
        filled.fill({});
        QCOMPARE(filled.count(), 0);
    }

    void checkFlagsAndCount() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.setAllChecked(true);
        QCOMPARE(table.checkedCount(), 0);
        table.fill({row("/", "a.html"), row("/", "b.html"), row("/", "c.html")});
        table.setAllChecked(true);
        QCOMPARE(table.checkedCount(), 3);
        table.setChecked(1, false);
        QCOMPARE(table.checkedCount(), 2);
        QCOMPARE(table.data(table.index(1), Qt::CheckStateRole).value<Qt::CheckState>(),
                 Qt::Unchecked);
        QVERIFY(table.setData(table.index(1), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(table.isChecked(1));
        QVERIFY(!table.setData(table.index(1), QStringLiteral("x"), Qt::DisplayRole));
        table.setAllChecked(false);
        QCOMPARE(table.checkedCount(), 0);
    }

    void replaceKeepsIndexAndFlag() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.fill({row("/", "a.html"), row("/", "b.html"), row("/", "c.html")});
        table.setChecked(0, true);
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        // A name that would sort last stays where the row was.
        table.replaceRow(0, row("/", "zzz.html"));
        QCOMPARE(table.rowText(0), row("/", "zzz.html"));
        QVERIFY(table.isChecked(0));
        QVERIFY(!table.isChecked(1));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
        QCOMPARE(table.data(table.index(0)).toString(),
                 QString::fromStdString(row("/", "zzz.html")));
    }

    void indexOutsideTheTableIsAnError() {
        WorkTable table;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.rowText(0));
        table.addRow(row("/", "a.html"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.rowText(1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.replaceRow(-1, "x"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.setChecked(1, true));
        QVERIFY(!table.data(table.index(5)).isValid());
    }

    void clearEmptiesTheTable() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.fill({row("/", "a.html"), row("/", "b.html")});
        table.setAllChecked(true);
        table.clear();
        QCOMPARE(table.count(), 0);
        QCOMPARE(table.checkedCount(), 0);
    }

private:
    static std::string str_field_name(const WorkTable& table, int i) {
        return ReadUrlEntry(table.rowText(i)).filename;
    }
};

QTEST_GUILESS_MAIN(TestWorkTable)
#include "test_work_table.moc"
