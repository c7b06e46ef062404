#include <cerrno>
#include <stdexcept>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

#include "core/file_io.h"
#include "jobs/missing_pages.h"
#include "jobs/table_sitemap.h"
#include "jobs/work_table.h"
#include "core/str_conf.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "memory/site_memory.h"
#include "sitemap/sitemap_writer.h"
#include "settings/SiteSettings.h"
#include "support/temp_folder.h"
#include "support/test_rows.h"

namespace {

const std::string kSite = "https://www.example.jp";

std::vector<std::string> rowTexts(const WorkTable& table) {
    std::vector<std::string> result;
    for (int i = 0; i < table.count(); ++i)
        result.push_back(table.rowText(i));
    return result;
}

} // namespace

class TestWorkTable final : public QObject {
    Q_OBJECT
private slots:
    void rowCodecReadsFieldsAsStrFieldDoes() {
        const std::string full = Row(kSite + "/news/", "index.html");
        QCOMPARE(full,
                 "https://www.example.jp/news/;index.html;2006-12-01T10:20:00+09:00;weekly;0.5;");
        QCOMPARE(BuildUrlEntry(ReadUrlEntry(full)), full);
        // Missing separators, text after the fifth, empty fields, multi-byte characters.
        for (const std::string& row :
             {full, std::string(), std::string(";;;;;"), std::string("a;b"),
              std::string("a;b;c;d;e;extra;"), std::string("no separator"), std::string("a;;c;"),
              std::string("日本;語;x;y;z")}) {
            const UrlEntryFields fields = ReadUrlEntry(row);
            const std::string read[] = {fields.link, fields.filename, fields.lastmod,
                                        fields.changefreq, fields.priority};
            for (int n = 1; n <= 5; ++n)
                QCOMPARE(read[n - 1], str_field(row, ";", n));
        }
        QVERIFY(HasSeparatorInField({"a", "b;c", "", "", ""}));
        QVERIFY(!HasSeparatorInField(ReadUrlEntry(full)));
    }

    void fieldRolesReadTheRowAlsoThroughAProxy() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const std::string b =
            Row(kSite + "/b/", "x.html", "2006-12-01T10:20:00+09:00", "daily", "0.8");
        const std::string a =
            Row(kSite + "/a/", "日本.html", "2007-01-02T03:04:05+09:00", "weekly", "0.1");
        table.fill({b, a, "broken;row"}); // sorted: the broken row, then a, then b
        const int roles[] = {WorkTable::LinkRole, WorkTable::FilenameRole, WorkTable::LastmodRole,
                             WorkTable::ChangefreqRole, WorkTable::PriorityRole};
        const QStringList expected[] = {{"broken", "", "", "", ""},
                                        {QString::fromStdString(kSite + "/a/"), "日本.html",
                                         "2007-01-02T03:04:05+09:00", "weekly", "0.1"},
                                        {QString::fromStdString(kSite + "/b/"), "x.html",
                                         "2006-12-01T10:20:00+09:00", "daily", "0.8"}};
        for (int row = 0; row < 3; ++row) {
            for (int field = 0; field < 5; ++field)
                QCOMPARE(table.data(table.index(row), roles[field]).toString(),
                         expected[row][field]);
        }
        QCOMPARE(table.data(table.index(1)).toString(), QString::fromStdString(a));

        // An edited row answers with its new fields.
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        table.replaceRow(0, Row(kSite + "/c/", "y.html", "t", "never", "1.0"));
        QCOMPARE(table.data(table.index(0), WorkTable::FilenameRole).toString(), "y.html");
        QVERIFY(changed.first().at(2).value<QList<int>>().contains(WorkTable::PriorityRole));

        // Filtered and sorted by field through a proxy, as a view may show the table.
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&table);
        proxy.setFilterRole(WorkTable::ChangefreqRole);
        proxy.setFilterRegularExpression(QStringLiteral("^(daily|weekly)$"));
        proxy.setSortRole(WorkTable::PriorityRole);
        proxy.sort(0);
        QCOMPARE(proxy.rowCount(), 2);
        QCOMPARE(proxy.data(proxy.index(0, 0), WorkTable::FilenameRole).toString(), "日本.html");
        QCOMPARE(proxy.data(proxy.index(1, 0), WorkTable::LinkRole).toString(),
                 QString::fromStdString(kSite + "/b/"));
        QVERIFY(proxy.setData(proxy.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(table.isChecked(2));
        QCOMPARE(proxy.data(proxy.index(1, 0), Qt::CheckStateRole).value<Qt::CheckState>(),
                 Qt::Checked);
    }

    void addedRowsTakeSortedPlacesUnchecked() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.addRow(Row(kSite + "/news/", "b.html"));
        table.addRow(Row(kSite + "/", "z.html"));
        table.addRow(Row(kSite + "/News/", "a.html")); // letter case does not decide the order
        table.addRow(Row(kSite + "/news/", "B.html"));
        QCOMPARE(table.count(), 4);
        QCOMPARE(table.rowText(0), Row(kSite + "/", "z.html"));
        QCOMPARE(table.rowText(1), Row(kSite + "/News/", "a.html"));
        QCOMPARE(table.data(table.index(2), WorkTable::FilenameRole).toString(), "b.html");
        QCOMPARE(table.data(table.index(3), WorkTable::FilenameRole).toString(), "B.html");
        QCOMPARE(table.checkedCount(), 0);
    }

    void identicalRowsAreBothKept() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.fill(
            {Row(kSite + "/", "a.html"), Row(kSite + "/", "a.html"), Row(kSite + "/", "0.html")});
        QCOMPARE(table.count(), 3);
        QCOMPARE(table.rowText(1), Row(kSite + "/", "a.html"));
        QCOMPARE(table.rowText(2), Row(kSite + "/", "a.html"));
        QCOMPARE(table.addRow(Row(kSite + "/", "a.html")), 3);
        QCOMPARE(table.count(), 4);
    }

    void fillSortsLikeOneByOneInsertion() {
        const std::vector<std::string> walked = {
            Row(kSite + "/b/", "x.html"),  Row(kSite + "/", "index.html"),
            Row(kSite + "/a/", "Y.html"),  Row(kSite + "/a/", "y.html"),
            Row(kSite + "/A/", "x.html"),  Row(kSite + "/", "Q&A.html"),
            Row(kSite + "/", "about.htm"), Row(kSite + "/", "B.html"),
            Row(kSite + "/", "b.html")};
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
        QCOMPARE(rowTexts(filled), rowTexts(inserted));
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
        table.fill(
            {Row(kSite + "/", "a.html"), Row(kSite + "/", "b.html"), Row(kSite + "/", "c.html")});
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
        table.fill(
            {Row(kSite + "/", "a.html"), Row(kSite + "/", "b.html"), Row(kSite + "/", "c.html")});
        table.setChecked(0, true);
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        // A name that would sort last stays where the row was.
        table.replaceRow(0, Row(kSite + "/", "zzz.html"));
        QCOMPARE(table.rowText(0), Row(kSite + "/", "zzz.html"));
        QVERIFY(table.isChecked(0));
        QVERIFY(!table.isChecked(1));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
        QCOMPARE(table.data(table.index(0)).toString(),
                 QString::fromStdString(Row(kSite + "/", "zzz.html")));
    }

    void indexOutsideTheTableIsAnError() {
        WorkTable table;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.rowText(0));
        table.addRow(Row(kSite + "/", "a.html"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.rowText(1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.replaceRow(-1, "x"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.setChecked(1, true));
        QVERIFY(!table.data(table.index(5)).isValid());
    }

    void sitemapOfTheTableHoldsTheCheckedRowsInTableOrder() {
        TempFolder folder("sw_table_sitemap");
        WorkTable table;
        table.fill(
            {Row(kSite + "/", "c.html"), Row(kSite + "/", "b.html"), Row(kSite + "/", "a&b.html")});
        table.setChecked(0, true);
        table.setChecked(2, true);
        std::vector<std::string> shown;
        const SitemapFilesSummary summary =
            WriteTableSitemap(table, folder.Path(), SiteSettings(),
                              [&](const std::string& location) { shown.push_back(location); });
        QCOMPARE(summary.urls, std::size_t(2));
        QCOMPARE(summary.parts, std::size_t(0));
        const std::string document = ReadFile(SitemapPath(folder.Path()));
        const std::size_t first = document.find("<loc>\r\n" + kSite + "/a&amp;b.html\r\n");
        QVERIFY(first != std::string::npos);
        QVERIFY(document.find(kSite + "/c.html", first) != std::string::npos);
        QVERIFY(document.find(kSite + "/b.html") == std::string::npos);
        // The first location shows at once, the last one always.
        QCOMPARE(shown.front(), kSite + "/a&amp;b.html");
        QCOMPARE(shown.back(), kSite + "/c.html");

        // The old file stays when the new one cannot be written.
        table.setAllChecked(false);
        const AtomicWriteFault fault(AtomicWriteStep::Rename, EIO);
        QVERIFY_THROWS_EXCEPTION(FileError,
                                 WriteTableSitemap(table, folder.Path(), SiteSettings()));
        QCOMPARE(ReadFile(SitemapPath(folder.Path())), document);
    }

    void clearEmptiesTheTable() {
        WorkTable table;
        QAbstractItemModelTester tester(&table,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        table.fill({Row(kSite + "/", "a.html"), Row(kSite + "/", "b.html")});
        table.setAllChecked(true);
        table.clear();
        QCOMPARE(table.count(), 0);
        QCOMPARE(table.checkedCount(), 0);
    }

    // A retrieval through the memory: rows sorted, the remembered choices applied, the rows the
    // memory does not know marked new.
    void fillFromTheMemoryMarksUntickedAndNewRows() {
        const TempFolder folder("sw_table_memory");
        SiteMemory memory(folder.Path(), kSite, {});
        const SiteDefaults defaults{"weekly", "0.5"};
        WorkTable table;
        QCOMPARE(table.fillRetrieved({Row(kSite + "/", "c.html"), Row(kSite + "/", "a.html")},
                                     &memory, true)
                     .fresh,
                 std::size_t(0));
        QCOMPARE(table.checkedCount(), 2);
        memory.Record({ChoiceOfRow(Row(kSite + "/", "a.html"), false, defaults)});

        const AppliedMemory applied = table.fillRetrieved(
            {Row(kSite + "/", "d.html"), Row(kSite + "/", "c.html"), Row(kSite + "/", "a.html")},
            &memory, true);
        QCOMPARE(rowTexts(table), (std::vector<std::string>{Row(kSite + "/", "a.html"),
                                                            Row(kSite + "/", "c.html"),
                                                            Row(kSite + "/", "d.html")}));
        QCOMPARE(std::vector<bool>({table.isChecked(0), table.isChecked(1), table.isChecked(2)}),
                 std::vector<bool>({false, true, true}));
        QCOMPARE(table.checkedCount(), 2);
        QCOMPARE(std::vector<bool>({table.isNew(0), table.isNew(1), table.isNew(2)}),
                 std::vector<bool>({false, false, true}));
        QVERIFY(table.index(2).data(WorkTable::NewRole).toBool());
        QCOMPARE(applied.unticked, std::size_t(1));
        QCOMPARE(applied.fresh, std::size_t(1));
    }

    // A page counts as missing only where the walk looked: not below an exclusion or what
    // robots.txt keeps search engines from.
    void missingPagesAreOnlyThoseTheWalkLookedFor() {
        const TempFolder folder("sw_missing_pages");
        SiteMemory memory(folder.Path(), kSite, {});
        std::vector<std::string> known;
        for (const auto& [path, name] : {std::pair{"/", "a.html"},
                                         {"/", "gone.html"},
                                         {"/drafts/", "d.html"},
                                         {"/private/", "p.html"},
                                         {"/news/", "x.bak.html"},
                                         {"/news/", "gone.html"}})
            known.push_back(Row(kSite + path, name));
        memory.Apply(known, true);
        const std::vector<std::string> rows = {known[0]};
        SiteSettings settings;
        settings.web_url = kSite + "/";
        settings.exclude = "/drafts/\n*.bak.html";
        const std::string robots = "User-agent: *\nDisallow: /private/\n";
        for (const bool obeyed : {true, false}) {
            settings.robots = obeyed;
            std::vector<std::string> missing = MissingPages(memory, rows, settings, robots);
            std::sort(missing.begin(), missing.end());
            std::vector<std::string> expected = {kSite + "/gone.html", kSite + "/news/gone.html"};
            if (!obeyed)
                expected.push_back(kSite + "/private/p.html");
            QCOMPARE(missing, expected);
        }
        // The question names the first few and counts the rest.
        const std::string named =
            NamedPages({"https://a.example/1", "https://a.example/2", "https://a.example/3"}, 2);
        QVERIFY(named.find("https://a.example/2") != std::string::npos);
        QVERIFY(named.find("https://a.example/3") == std::string::npos);
        QVERIFY(named.find(Filled(texts::kMorePages, {{"count", "1"}})) != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestWorkTable)
#include "test_work_table.moc"
