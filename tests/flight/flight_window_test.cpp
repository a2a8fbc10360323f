// SPDX-License-Identifier: GPL-3.0-or-later
// The flight window on flights the expansion wrote: opening, the cursor and
// its read-out, zoom kept in step across panels, the table, the ruler and
// the picture files.
#include <QFileInfo>
#include <filesystem>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTableWidget>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>
#include <qcustomplot.h>

#include "core/expand.h"
#include "app/flight/flight_chart.h"
#include "app/flight/flight_window.h"
#include "app/flight/picture_export.h"
#include "app/flight/readout.h"
#include "app/flight/compare_readout.h"
#include "render/compare_overlay.h"
#include "frontend/chart/axis_span.h"
#include "frontend/compare/flight_compare.h"
#include "analysis/cruise_baselines.h"
#include "app/flight/summary_view.h"
#include "flight/open_flight.h"
#include "analysis/acknowledgements.h"
#include "analysis/engine_analysis.h"
#include "frontend/report/report_content.h"
#include "analysis/flight_analysis.h"
#include "support/file_size_limit.h"
#include "support/flight_files.h"

using namespace varnix;
using app::flight_view::FlightWindow;
using sim::encode::ProfileLayout;

class FlightWindowTest : public QObject {
  Q_OBJECT

 private:
  test::TempDir dir_;
  QTemporaryDir settings_;

  // The first flight of a short dump of `layout`, opened in a window.
  std::unique_ptr<FlightWindow> open(ProfileLayout layout, std::string sub) {
    test::TempDir* keep = &dir_;
    const std::string folder = keep->file(sub);
    std::filesystem::create_directory(folder);
    const std::string dump = sim::encode::assembleDump(sim::encode::ProfileDump(test::shortFlight(layout, 30), 1));
    const std::string data = folder + "/data";
    std::filesystem::create_directory(data);
    test::writeFile(folder + "/R1.DAT", dump);
    HeaderState header;
    ExpandDataFile(folder + "/R1.DAT", data + "/", header);
    auto window = std::make_unique<FlightWindow>();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->openFile(QString::fromStdString(data + "/N123AB/F00001.CSV"));
    window->show();
    if (!QTest::qWaitFor([&] { return window->isLoaded() || !window->problem().isEmpty(); }, 10000)) return nullptr;
    return window;
  }

  // A flight with the simulator's engine events (make-dump --events
  // lean,mag,valve,probe,hot --interval 2), its path; `acknowledged`: its
  // first finding acknowledged in the folder.
  std::string eventsFlight(const std::string& sub, bool acknowledged = false) {
    const std::string folder = dir_.file(sub);
    std::filesystem::create_directory(folder);
    sim::encode::ProfileOptions o;
    o.minutes = 60;
    o.interval = 2;
    o.events.lean = o.events.mag = o.events.valve = o.events.probe = o.events.hot = true;
    test::writeFile(folder + "/R1.DAT", sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
    std::filesystem::create_directory(folder + "/data");
    HeaderState header;
    ExpandDataFile(folder + "/R1.DAT", folder + "/data/", header);
    const std::string path = folder + "/data/N123AB/F00001.CSV";
    if (acknowledged) {
      const analysis::EngineAnalysis a = analysis::AnalyseEngine(flight::OpenFlight(path).value, analysis::Limits{});
      if (a.findings.empty()) return {};
      test::writeFile(folder + "/data/N123AB/" + analysis::kAcknowledgedFileName,
                      std::string(analysis::KindName(a.findings[0].kind)) + " " + a.findings[0].channel +
                          " 2099-12-31 probe reads high since the overhaul\n");
    }
    return path;
  }
  // The first flight of a dump made with `o`, its path.
  std::string profileFlight(const std::string& sub, const sim::encode::ProfileOptions& o) {
    const std::string folder = dir_.file(sub);
    std::filesystem::create_directory(folder);
    test::writeFile(folder + "/R1.DAT", sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
    std::filesystem::create_directory(folder + "/data");
    HeaderState header;
    ExpandDataFile(folder + "/R1.DAT", folder + "/data/", header);
    return folder + "/data/N123AB/F00001.CSV";
  }
  // The cells of the read-out's row of `channel` ("E1": its A, B, A−B...).
  static QStringList readoutRow(const QString& html, const QString& channel) {
    const int at = html.indexOf(QStringLiteral("<b>%1</b>").arg(channel));
    if (at < 0) return {};
    QString row = html.mid(at, html.indexOf(QStringLiteral("</tr>"), at) - at);
    row.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "))
        .replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    return row.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  }
  std::unique_ptr<FlightWindow> openPath(const std::string& path) {
    auto window = std::make_unique<FlightWindow>();
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->openFile(QString::fromStdString(path));
    window->show();
    if (!QTest::qWaitFor([&] { return window->isLoaded() || !window->problem().isEmpty(); }, 10000)) return nullptr;
    return window;
  }
  // Every panel has its lines' points (they come with the charts' first layout).
  static bool everyPanelDrawn(const app::flight_view::FlightChart& chart) {
    for (int i = 0; i < chart.panelCount(); ++i)
      if (chart.panel(i)->graph(0)->data()->isEmpty()) return false;
    return true;
  }
  static QStringList column(const QTableWidget* t, int c) {
    QStringList items;
    for (int r = 0; r < t->rowCount(); ++r) items << (t->item(r, c) ? t->item(r, c)->text() : QString());
    return items;
  }

 private slots:
  void initTestCase() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path());
  }

  void givesEveryLayoutItsPanels_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<QStringList>("panels");
    QTest::newRow("single") << int(ProfileLayout::Single)
                            << QStringList{"EGT", "CHT", "DIF", "TEMP", "FUEL", "POWER", "ELEC"};
    QTest::newRow("extended") << int(ProfileLayout::Extended)
                              << QStringList{"EGT", "CHT", "DIF", "TEMP", "FUEL", "POWER", "ELEC"};
    QTest::newRow("twin") << int(ProfileLayout::Twin)
                          << QStringList{"LEGT", "REGT", "LCHT", "RCHT", "DIF", "TEMP", "FUEL", "ELEC"};
  }
  void givesEveryLayoutItsPanels() {
    QFETCH(int, layout);
    QFETCH(QStringList, panels);
    auto w = open(static_cast<ProfileLayout>(layout), QTest::currentDataTag());
    QVERIFY(w && w->isLoaded());
    QStringList keys;
    for (const auto& p : w->chart()->plans()) keys << QString::fromStdString(p.key);
    QCOMPARE(keys, panels);
    QVERIFY(w->windowTitle().startsWith("F00001.CSV — Flight #1 — N123AB"));
    QVERIFY(w->headerStrip()->text().contains("hottest"));
    // Every panel draws the whole flight, from its first row to its last.
    auto* chart = w->chart();
    QTRY_VERIFY(everyPanelDrawn(*chart));
    const double first = chart->keyOfRow(0), last = chart->keyOfRow(chart->flight()->rows() - 1);
    for (int i = 0; i < chart->panelCount(); ++i) {
      const auto data = chart->panel(i)->graph(0)->data();
      QVERIFY(!data->isEmpty());
      QCOMPARE(data->constBegin()->key, first);
      QCOMPARE((data->constEnd() - 1)->key, last);
    }
  }

  // The header strip shows the flight's facts, then the report's headline
  // figures, over both engines of a twin, each with its unit and its channel
  // where the label does not name it already ("max DIF 64 °F", not "... (DIF)").
  void headerStripShowsTheReportsHeadline_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("figures");
    const QString dot = QStringLiteral(" &nbsp;·&nbsp; ");
    QTest::newRow("single") << int(ProfileLayout::Single)
                            << QStringList{"hottest EGT <b>1475</b> °F (E4)", "hottest CHT <b>413</b> °F (C4)",
                                           "max DIF <b>64</b> °F", "fastest cooling <b>-37</b> °F/min (CLD)",
                                           "min BAT <b>12.3</b> V", "fuel used <b>5.9</b> gal"}
                                   .join(dot);
    QTest::newRow("extended") << int(ProfileLayout::Extended)
                              << QStringList{"hottest EGT <b>1479</b> °F (E8)", "hottest CHT <b>408</b> °F (C6)",
                                             "max DIF <b>69</b> °F", "fastest cooling <b>-37</b> °F/min (CLD)",
                                             "min BAT <b>12.0</b> V (BAT2)", "fuel used <b>5.9</b> gal"}
                                     .join(dot);
    QTest::newRow("twin") << int(ProfileLayout::Twin)
                          << QStringList{"hottest EGT <b>1481</b> °F (RE2)", "hottest CHT <b>413</b> °F (LC4)",
                                         "max DIF <b>63</b> °F (LDIF)", "fastest cooling <b>-38</b> °F/min (LCLD)",
                                         "min BAT <b>12.3</b> V", "fuel used <b>11.8</b> gal"}
                                 .join(dot);
  }
  void headerStripShowsTheReportsHeadline() {
    QFETCH(int, layout);
    QFETCH(QString, figures);
    auto w = open(static_cast<ProfileLayout>(layout), std::string("headline-") + QTest::currentDataTag());
    QVERIFY(w && w->isLoaded());
    const QString facts = QStringLiteral(
        "<b>N123AB</b> &nbsp;·&nbsp; Flight #1 &nbsp;·&nbsp; 2024-06-03 9:12:00 &nbsp;·&nbsp; 0:29:54 recorded, "
        "every 6 s &nbsp;·&nbsp; engine °F, OAT °F, fuel flow GPH");
    QCOMPARE(w->headerStrip()->text(), facts + QStringLiteral("<br>") + figures);
  }

  void cursorReadsOutHottestFirstAndFollowsKeysAndTable() {
    auto w = open(ProfileLayout::Single, "cursor");
    QVERIFY(w);
    const flight::Flight& f = *w->chart()->flight();
    w->chart()->setCursorRow(120);
    const QString text = w->cursorReadout()->text();
    QVERIFY(text.contains(QStringLiteral("9:24:00")));  // row 120, 12 minutes after 9:12:00
    // EGT names in the read-out come hottest first.
    std::vector<std::pair<float, QString>> egts;
    for (std::size_t c = 0; c < f.channels.size(); ++c)
      if (f.channels[c].name.size() == 2 && f.channels[c].name[0] == 'E')
        egts.push_back({f.columns[c][120], QString::fromStdString(f.channels[c].name)});
    std::sort(egts.begin(), egts.end(), [](auto& a, auto& b) { return a.first > b.first; });
    int last = -1;
    for (const auto& e : egts) {
      const int at = text.indexOf("<b>" + e.second + "</b>");
      QVERIFY2(at > last, qPrintable(e.second));
      last = at;
    }
    QCOMPARE(w->table()->currentIndex().row(), 120);

    w->chart()->setFocus();
    QTest::keyClick(w->chart(), Qt::Key_Right);
    QCOMPARE(w->chart()->cursorRow(), 121u);
    QCOMPARE(w->table()->currentIndex().row(), 121);

    w->table()->selectRow(40);
    QCOMPARE(w->chart()->cursorRow(), 40u);
    QVERIFY(w->cursorReadout()->text().contains(QStringLiteral("9:16:00")));
  }

  void zoomingOnePanelZoomsThemAllAndHomeResets() {
    auto w = open(ProfileLayout::Single, "zoom");
    QVERIFY(w);
    auto* chart = w->chart();
    const double full = chart->rangeUpper() - chart->rangeLower();
    const double from = chart->keyOfRow(50), to = chart->keyOfRow(150);
    chart->panel(3)->xAxis->setRange(from, to);  // as a wheel or drag on that panel does
    for (int i = 0; i < chart->panelCount(); ++i) {
      QCOMPARE(chart->panel(i)->xAxis->range().lower, from);
      QCOMPARE(chart->panel(i)->xAxis->range().upper, to);
    }
    QTest::keyClick(chart, Qt::Key_Plus);
    QVERIFY(chart->panel(0)->xAxis->range().size() < to - from);
    QCOMPARE(chart->panel(5)->xAxis->range(), chart->panel(0)->xAxis->range());
    QTest::keyClick(chart, Qt::Key_Home);
    QCOMPARE(chart->rangeUpper() - chart->rangeLower(), full);
    QTRY_VERIFY(w->rangeReadout()->text().contains("Shown"));
  }

  // Zoomed into cruise, each value axis spans the values shown there (with
  // a little headroom), not the climb's; with the fit off, the whole flight's.
  void valueAxesFitTheShownRange_data() {
    QTest::addColumn<bool>("fitShown");
    QTest::newRow("fit to shown range") << true;
    QTest::newRow("whole flight") << false;
  }
  void valueAxesFitTheShownRange() {
    QFETCH(bool, fitShown);
    auto w = open(ProfileLayout::Single, std::string("fit-") + (fitShown ? "shown" : "whole"));
    QVERIFY(w);
    auto* chart = w->chart();
    QCOMPARE(chart->fitShown(), true);  // on by default
    chart->setFitShown(fitShown);
    const flight::Flight& f = *chart->flight();
    const std::size_t first = f.rows() * 2 / 5, last = f.rows() * 3 / 5;
    chart->setTimeRange(chart->keyOfRow(first), chart->keyOfRow(last));
    for (int i = 0; i < chart->panelCount(); ++i) {
      const frontend::PanelPlan& plan = chart->plans()[static_cast<std::size_t>(i)];
      auto extremes = [&](std::size_t from, std::size_t to) {
        float low = INFINITY, high = -INFINITY;
        for (const int c : plan.left)
          for (std::size_t r = from; r <= to; ++r) {
            low = std::min(low, f.columns[static_cast<std::size_t>(c)][r]);
            high = std::max(high, f.columns[static_cast<std::size_t>(c)][r]);
          }
        return std::make_pair(double(low), double(high));
      };
      const auto shown = extremes(f.rowAt(chart->rangeLower() - f.startOfDay),
                                  f.rowAt(chart->rangeUpper() - f.startOfDay));
      const auto want = fitShown ? shown : extremes(0, f.rows() - 1);
      const QCPRange got = chart->panel(i)->yAxis->range();
      // A steady channel is spread over its least span, no more.
      double least = 0;
      for (const int c : plan.left) {
        const flight::Channel& ch = f.channels[static_cast<std::size_t>(c)];
        least = std::max(least, frontend::MinimumAxisSpan(ch.kind, ch.unit));
      }
      const double room = std::max((want.second - want.first) * 0.1, least);
      QVERIFY2(got.lower <= want.first && got.upper >= want.second, plan.key.c_str());
      QVERIFY2(got.lower >= want.first - room && got.upper <= want.second + room, plan.key.c_str());
    }
    // Ctrl+wheel zooms one panel's values; Home gives the fit back.
    const QCPRange fitted = chart->panel(0)->yAxis->range();
    chart->zoomValues(0, 0.5, chart->panel(0)->height() / 2.0);
    QVERIFY(chart->panel(0)->yAxis->range().size() < fitted.size() * 0.6);
    chart->pan(0.1);
    QVERIFY(chart->panel(0)->yAxis->range().size() < fitted.size() * 0.6);
    QTest::keyClick(chart, Qt::Key_Home);
    QVERIFY(chart->panel(0)->yAxis->range().size() >= fitted.size());
  }

  // A click on a cylinder's legend entry hides that cylinder in every panel
  // of its engine (EGT and CHT), and a second click shows it again.
  void hidingACylinderFromTheLegendHidesItInEveryPanel_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("panelsHidingIt");
    QTest::newRow("single") << int(ProfileLayout::Single) << "EGT" << 2;
    QTest::newRow("twin, left engine") << int(ProfileLayout::Twin) << "LEGT" << 2;
  }
  void hidingACylinderFromTheLegendHidesItInEveryPanel() {
    QFETCH(int, layout);
    QFETCH(QString, panel);
    QFETCH(int, panelsHidingIt);
    auto w = open(static_cast<ProfileLayout>(layout), "legend-" + panel.toStdString());
    QVERIFY(w);
    auto* chart = w->chart();
    const flight::Flight& f = *chart->flight();
    QCustomPlot* plot = chart->findChild<QCustomPlot*>(panel);
    QVERIFY(plot);
    QCPGraph* third = nullptr;
    for (int g = 0; g < plot->graphCount(); ++g)
      if (f.channels[static_cast<std::size_t>(f.channelIndex(plot->graph(g)->name().toStdString()))].cylinder == 3)
        third = plot->graph(g);
    QVERIFY(third);
    // The legend's entries have their places once the panel is laid out.
    QTRY_VERIFY(!plot->legend->itemWithPlottable(third)->outerRect().isEmpty());
    const int channel = f.channelIndex(third->name().toStdString());
    const flight::Channel cylinder = f.channels[static_cast<std::size_t>(channel)];
    auto hiddenIn = [&] {
      int panels = 0;
      for (int i = 0; i < chart->panelCount(); ++i)
        for (int g = 0; g < chart->panel(i)->graphCount(); ++g) {
          QCPGraph* graph = chart->panel(i)->graph(g);
          const auto& k = f.channels[static_cast<std::size_t>(f.channelIndex(graph->name().toStdString()))];
          const bool same = k.cylinder == 3 && k.engine == cylinder.engine && k.kind != flight::ChannelKind::Tit;
          if (!same && !graph->visible()) return -1;  // another line went too
          if (same && !graph->visible()) ++panels;
        }
      return panels;
    };
    const QRect entry = plot->legend->itemWithPlottable(third)->outerRect();
    QTest::mouseClick(plot, Qt::LeftButton, {}, entry.center());
    QCOMPARE(hiddenIn(), panelsHidingIt);
    QVERIFY(!chart->channelShown(channel));
    QTest::mouseClick(plot, Qt::LeftButton, {}, entry.center());
    QCOMPARE(hiddenIn(), 0);
  }

  // Every layout's window, the twin's with its eight panels, fits 1280 x 720.
  void everyWindowFits1280By720_data() { givesEveryLayoutItsPanels_data(); }
  void everyWindowFits1280By720() {
    QFETCH(int, layout);
    auto w = open(static_cast<ProfileLayout>(layout), std::string("fits-") + QTest::currentDataTag());
    QVERIFY(w && w->isLoaded());
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    QVERIFY2(least.width() <= 1280, qPrintable(QString::number(least.width())));
    QVERIFY2(least.height() <= 720, qPrintable(QString::number(least.height())));
    w->resize(1280, 720);
    QTRY_COMPARE(w->width(), 1280);
    // The table's TIME column shows the clock time whole.
    w->tabs()->setCurrentWidget(w->table());
    QTRY_VERIFY(w->table()->isVisible());
    QStyleOptionViewItem option;
    option.initFrom(w->table());
    option.font = w->table()->font();
    option.displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    const QModelIndex first = w->table()->model()->index(0, 0);
    const int wanted = w->table()->itemDelegate()->sizeHint(option, first).width();
    QVERIFY2(w->table()->columnWidth(0) >= wanted, qPrintable(first.data().toString()));
  }

  // View > Elapsed time: the lowest panel's time axis counts from the first row.
  void timeAxisShowsClockOrElapsedTime_data() {
    QTest::addColumn<bool>("elapsed");
    QTest::addColumn<QString>("label");
    QTest::newRow("clock time") << false << "Time of day";
    QTest::newRow("elapsed time") << true << "Elapsed time";
  }
  void timeAxisShowsClockOrElapsedTime() {
    QFETCH(bool, elapsed);
    QFETCH(QString, label);
    auto w = open(ProfileLayout::Single, std::string("time-axis-") + (elapsed ? "elapsed" : "clock"));
    QVERIFY(w);
    auto* chart = w->chart();
    chart->setElapsedTime(elapsed);
    QCustomPlot* lowest = chart->panel(chart->panelCount() - 1);
    QCOMPARE(lowest->xAxis->label(), label);
    QCOMPARE(chart->panel(0)->xAxis->label(), QString());
    lowest->replot();
    const QStringList ticks = lowest->xAxis->tickVectorLabels().toList();
    QVERIFY2(!ticks.isEmpty(), "no ticks");
    // The flight starts at 09:12 of the clock; elapsed, its first tick is 00:00.
    QCOMPARE(ticks.contains(QStringLiteral("00:00")), elapsed);
  }

  // Hidden panels and sizes are remembered per layout: a panel hidden in a
  // single's window stays shown in an extended's (the same panel keys), and
  // View > Panels says how many are hidden.
  void layoutsAreRememberedPerLayout() {
    auto panelsMenu = [](FlightWindow& w) -> QMenu* {
      for (QMenu* m : w.findChildren<QMenu*>())
        if (m->title().startsWith(QStringLiteral("&Panels"))) return m;
      return nullptr;
    };
    auto fuel = [](FlightWindow& w) {
      for (int i = 0; i < w.chart()->panelCount(); ++i)
        if (w.chart()->plans()[static_cast<std::size_t>(i)].key == "FUEL") return i;
      return -1;
    };
    {
      auto single = open(ProfileLayout::Single, "remember-single");
      QVERIFY(single && fuel(*single) >= 0);
      panelsMenu(*single)->actions()[fuel(*single)]->setChecked(false);
      QVERIFY(!single->chart()->panelVisible(fuel(*single)));
      QCOMPARE(panelsMenu(*single)->title(), QStringLiteral("&Panels (1 hidden)"));
      single->close();
    }
    const struct {
      ProfileLayout layout;
      const char* sub;
      bool fuelShown;
    } cases[] = {{ProfileLayout::Extended, "remember-extended", true}, {ProfileLayout::Single, "remember-again", false}};
    for (const auto& c : cases) {
      auto w = open(c.layout, c.sub);
      QVERIFY(w);
      QCOMPARE(w->chart()->panelVisible(fuel(*w)), c.fuelShown);
      QCOMPARE(panelsMenu(*w)->actions()[fuel(*w)]->isChecked(), c.fuelShown);
      QCOMPARE(panelsMenu(*w)->title().contains(QStringLiteral("hidden")), !c.fuelShown);
      w->close();
    }
  }

  // A window just opened takes + and Right as chart keys: the chart has the focus.
  void aFreshWindowTakesTheChartKeys() {
    auto w = open(ProfileLayout::Single, "fresh-keys");
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w->chart()));
    const double full = w->chart()->rangeUpper() - w->chart()->rangeLower();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
    QVERIFY(w->chart()->rangeUpper() - w->chart()->rangeLower() < full);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(w->chart()->cursorRow(), 1u);
  }

  // The rows are charted before the analyses are done: keys pressed in
  // between move the chart, and the window then fills in as a whole.
  void theRowsAreChartedBeforeTheAnalyses() {
    const std::string path = eventsFlight("rows-first");
    FlightWindow w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy charted(&w, &FlightWindow::rowsCharted);
    QSignalSpy loaded(&w, &FlightWindow::loaded);
    bool loadedFirst = false;
    connect(&w, &FlightWindow::rowsCharted, this, [&] {
      loadedFirst = w.isLoaded();
      QTest::keyClick(w.chart(), Qt::Key_Right);  // before the read-out exists
    });
    w.openFile(QString::fromStdString(path));
    w.show();
    QVERIFY(QTest::qWaitFor([&] { return w.isLoaded(); }, 10000));
    QCOMPARE(charted.size(), 1);
    QCOMPARE(loaded.size(), 1);
    QVERIFY(!loadedFirst);
    QVERIFY(w.chart()->flight() && w.chart()->flight()->rows() > 0);
    QCOMPARE(w.chart()->cursorRow(), 1u);
  }

  // The Summary tab, first in the window, shows the engine analysis of an
  // events flight and of the avionics log: every phase, the lean test with
  // each cylinder's peak and its chart, the mag check per interval and
  // cylinder, the findings, an acknowledged one apart with its reason.
  void summaryShowsPhasesLeanTestAndMagCheck_data() {
    QTest::addColumn<QString>("flight");
    QTest::addColumn<bool>("events");
    QTest::newRow("events flight") << QString() << true;
    QTest::newRow("avionics log") << QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/log_220417_125002_LFQA.csv")
                                  << false;
  }
  void summaryShowsPhasesLeanTestAndMagCheck() {
    QFETCH(QString, flight);
    QFETCH(bool, events);
    const std::string path = events ? eventsFlight("summary-events", true) : flight.toStdString();
    QVERIFY(!path.empty());
    auto w = openPath(path);
    QVERIFY(w && w->isLoaded());
    QCOMPARE(w->tabs()->tabText(0), QStringLiteral("Summary"));
    QCOMPARE(w->tabs()->widget(0), static_cast<QWidget*>(w->summary()));
    auto* s = w->summary();
    QCOMPARE(s->sectionTitles(),
             (QStringList{"Phases", "Power, mixture, valves and sensors", "Lean test", "Magneto check"}));
    analysis::EngineAnalysis a = analysis::AnalyseEngine(*w->chart()->flight(), analysis::Limits{});
    QVERIFY(!a.phases.spans.empty());
    QTableWidget* phaseTable = s->sectionTable("Phases");
    QVERIFY(phaseTable);
    QCOMPARE(phaseTable->rowCount(), static_cast<int>(a.phases.spans.size()));
    for (int i = 0; i < static_cast<int>(a.phases.spans.size()); ++i) QVERIFY(!s->timeline()->bandRect(i).isEmpty());
    const QStringList phases = column(phaseTable, 0);
    QVERIFY2(phases.contains("Cruise") && phases.contains("Climb"), qPrintable(phases.join(',')));
    if (!events) return;
    QVERIFY(phases.contains("Runup"));
    // A peak per cylinder in the table and the chart.
    QCOMPARE(s->sectionTable("Lean test")->rowCount(), 6);
    QCOMPARE(s->findChild<QCustomPlot*>("leanChart")->graphCount(), 6);
    QCOMPARE(s->sectionTable("Magneto check")->rowCount(), 2);
    // The acknowledged finding apart, with its reason; the others open.
    QCOMPARE(s->acknowledgedTable()->rowCount(), 1);
    QCOMPARE(s->acknowledgedTable()->item(0, 4)->text(), QStringLiteral("probe reads high since the overhaul"));
    QVERIFY(s->findingTable()->rowCount() >= 1);
  }

  // The sections of the events flight read as on paper, each figure with
  // its unit: a table's titles, a column's cells or their colours, the
  // lines as plain text or as drawn (a tone as a colour, a strong run bold).
  void summarySectionsReadAsOnPaper_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("part");  // "titles", "cells", "colours", "lines", "html"
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
    QTest::newRow("phase titles") << "Phases" << "titles" << 0
                                  << "Phase|From|To|Duration|Fuel|Max CHT|Mean EGT|Mean power";
    QTest::newRow("phase fuel") << "Phases" << "cells" << 4 << "0.3 gal|0.2 gal|0.3 gal|2.7 gal|7.1 gal|0.9 gal|0.2 gal";
    QTest::newRow("phase lengths") << "Phases" << "cells" << 3
                                   << "0:04:12|0:01:26|0:01:00|0:08:22|0:34:50|0:07:14|0:02:54";
    QTest::newRow("engine lines")
        << "Power, mixture, valves and sensors" << "lines" << 0
        << "Power in cruise: 66 % (recorded)\n"
           "Cruise from 9:27:00: rich of peak — leaning crossed the EGT peak of 1468 °F at 11.3 GPH (9:31:32), then "
           "the mixture went back to 12.2 GPH, richer than the peak\n"
           "Valve screen: E4 ±40 °F every 60 s (valve)\n"
           "Sensors: C3 dropout from 9:42:00";
    QTest::newRow("lean line") << "Lean test" << "html" << 0
                               << "Sweep at 9:30:46 (44 rows): <b><span style='color:#9a6000'>Fair</span></b>, "
                                  "the peaks 0.57 GPH apart, E1 first and E6 last";
    QTest::newRow("lean titles") << "Lean test" << "titles" << 0 << "Sweep|Cylinder|Peak EGT|Fuel flow at peak|Peak at";
    QTest::newRow("lean cylinders, the richest peak first") << "Lean test" << "cells" << 1 << "E1|E2|E3|E4|E5|E6";
    QTest::newRow("mag line") << "Magneto check" << "lines" << 0
                              << "Each EGT's rise on one magneto, in °F.\n"
                                 "Check at 9:16:58 (114 RPM below 1795): Plug, E3 fell 23 °F while the others rose 59-64 °F";
    QTest::newRow("mag titles") << "Magneto check" << "titles" << 0 << "Time|RPM drop|Verdict|E1|E2|E3|E4|E5|E6";
    QTest::newRow("mag drops") << "Magneto check" << "cells" << 1 << "94 RPM|114 RPM";
    // Left and right magneto; the right one's dead cylinder E3 falls, a plug.
    QTest::newRow("mag verdicts") << "Magneto check" << "cells" << 2 << "Normal|Plug";
    QTest::newRow("mag verdicts' colours") << "Magneto check" << "colours" << 2 << "#1a701a|#b00000";
    QTest::newRow("mag E3") << "Magneto check" << "cells" << 5 << "67 °F|-23 °F";
  }
  void summarySectionsReadAsOnPaper() {
    QFETCH(QString, section);
    QFETCH(QString, part);
    QFETCH(int, column);
    QFETCH(QString, expected);
    static std::string path;
    if (path.empty()) path = eventsFlight("summary-words");
    auto w = openPath(path);
    QVERIFY(w && w->isLoaded());
    const app::flight_view::SummaryView* s = w->summary();
    QStringList got;
    if (part == "lines" || part == "html") {
      const QLabel* text = s->sectionText(section);
      QVERIFY(text);
      QTextDocument lines;
      lines.setHtml(text->text());
      got << (part == "html" ? text->text() : lines.toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n')));
    } else {
      const QTableWidget* t = s->sectionTable(section);
      QVERIFY(t);
      for (int c = 0; c < t->columnCount() && part == "titles"; ++c) got << t->horizontalHeaderItem(c)->text();
      for (int r = 0; r < t->rowCount() && part != "titles"; ++r) {
        const QTableWidgetItem* i = t->item(r, column);
        got << (!i ? QString() : part == "cells" ? i->text() : i->foreground().color().name());
      }
    }
    QCOMPARE(got.join(QLatin1Char('|')), expected);
  }

  // A click on a phase band or row zooms the charts to the phase; on a
  // finding, the cursor goes to its peak and the ruler marks its span; on a
  // mag interval or a lean peak, the cursor goes to its time. The Charts tab
  // shows, its keys the chart's.
  void clickingASummaryItemMovesTheCursor_data() {
    QTest::addColumn<QString>("item");
    for (const char* item : {"timeline band", "phase row", "finding", "mag interval", "lean peak"})
      QTest::newRow(item) << QString::fromLatin1(item);
  }
  void clickingASummaryItemMovesTheCursor() {
    QFETCH(QString, item);
    static std::string path;
    if (path.empty()) path = eventsFlight("summary-clicks");
    auto w = openPath(path);
    QVERIFY(w && w->isLoaded());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto* s = w->summary();
    auto* chart = w->chart();
    const flight::Flight& f = *chart->flight();
    w->tabs()->setCurrentWidget(s);
    QTRY_VERIFY(s->isVisible());
    const analysis::EngineAnalysis a = analysis::AnalyseEngine(f, analysis::Limits{});
    auto clickRow = [&](QTableWidget* t, int row) {
      s->ensureWidgetVisible(t);
      // Scrolled into view, the row laid out.
      QTRY_VERIFY(t->isVisible() && !t->visualItemRect(t->item(row, 0)).isEmpty());
      const QRect r = t->visualItemRect(t->item(row, 0));
      QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, r.center());
    };
    double cursorAt = 0;
    std::optional<std::pair<double, double>> range, ruler;
    const auto cruise = std::find_if(a.phases.spans.begin(), a.phases.spans.end(),
                                     [](const analysis::PhaseSpan& p) { return p.phase == analysis::Phase::Cruise; });
    QVERIFY(cruise != a.phases.spans.end());
    const int cruiseIndex = static_cast<int>(cruise - a.phases.spans.begin());
    if (item == "timeline band" || item == "phase row") {
      if (item == "timeline band")
        QTest::mouseClick(s->timeline(), Qt::LeftButton, {}, s->timeline()->bandRect(cruiseIndex).center());
      else
        clickRow(s->sectionTable("Phases"), cruiseIndex);
      cursorAt = cruise->start;
      range = std::make_pair(cruise->start, cruise->end);
    } else if (item == "finding") {
      const int last = s->findingTable()->rowCount() - 1;
      QVERIFY(last >= 0 && a.findings.size() == static_cast<std::size_t>(last + 1));
      const analysis::Finding& x = a.findings.back();
      QVERIFY(x.end > x.start);
      clickRow(s->findingTable(), last);
      cursorAt = x.peakAt;
      ruler = std::make_pair(x.start, x.end);
    } else if (item == "mag interval") {
      clickRow(s->sectionTable("Magneto check"), 1);
      cursorAt = a.magChecks.at(1).start_s;
    } else {
      clickRow(s->sectionTable("Lean test"), 2);
      cursorAt = a.leanTests.at(0).peaks.at(2).at_s;
    }
    QCOMPARE(w->tabs()->currentWidget(), w->chartsPage());
    QCOMPARE(chart->cursorRow(), f.nearestRow(cursorAt));
    if (range) {
      QCOMPARE(chart->rangeLower(), chart->keyOfRow(f.nearestRow(range->first)));
      QCOMPARE(chart->rangeUpper(), chart->keyOfRow(f.nearestRow(range->second)));
    }
    if (ruler) {
      QVERIFY(chart->span());
      QCOMPARE(chart->span()->first, f.nearestRow(ruler->first));
      QCOMPARE(chart->span()->second, f.nearestRow(ruler->second));
    }
    const double key = chart->keyOfRow(chart->cursorRow());
    QVERIFY(key >= chart->rangeLower() && key <= chart->rangeUpper());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(chart));
  }

  // Every chart panel shows the phases along its foot and the findings'
  // spans along its top; the limits are lines in the panels of their
  // channels only.
  void chartPanelsShowPhasesFindingsAndLimits_data() {
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QList<double>>("limits");
    QTest::newRow("CHT: the limit and the caution level") << "CHT" << QList<double>{450, 420};
    QTest::newRow("DIF: the widest spread") << "DIF" << QList<double>{500};
    QTest::newRow("TEMP: oil high and low") << "TEMP" << QList<double>{230, 90};
    QTest::newRow("FUEL: none") << "FUEL" << QList<double>{};
  }
  void chartPanelsShowPhasesFindingsAndLimits() {
    QFETCH(QString, panel);
    QFETCH(QList<double>, limits);
    static std::string path;
    if (path.empty()) path = eventsFlight("chart-annotations");
    auto w = openPath(path);
    QVERIFY(w && w->isLoaded());
    const analysis::EngineAnalysis a = analysis::AnalyseEngine(*w->chart()->flight(), analysis::Limits{});
    int index = -1;
    for (int i = 0; i < w->chart()->panelCount(); ++i)
      if (QString::fromStdString(w->chart()->plans()[static_cast<std::size_t>(i)].key) == panel) index = i;
    QVERIFY(index >= 0);
    QCustomPlot* plot = w->chart()->panel(index);
    int strips = 0;
    QList<double> lines;
    for (int n = 0; n < plot->itemCount(); ++n) {
      QCPAbstractItem* item = plot->item(n);
      if (item->layer()->name() != QLatin1String(app::flight_view::FlightChart::kAnnotationLayer)) continue;
      if (qobject_cast<QCPItemRect*>(item)) ++strips;
      if (auto* line = qobject_cast<QCPItemStraightLine*>(item)) lines << line->point1->value();
    }
    const auto spans = std::count_if(a.findings.begin(), a.findings.end(),
                                     [](const analysis::Finding& f) { return f.end > f.start; });
    QCOMPARE(strips, static_cast<int>(a.phases.spans.size() + static_cast<std::size_t>(spans)));
    QCOMPARE(lines, limits);
  }

  void rulerGivesTheSpanAndItsFigures() {
    auto w = open(ProfileLayout::Twin, "ruler");
    QVERIFY(w);
    w->chart()->setRuler(100);
    w->chart()->setRuler(10);
    QCOMPARE(w->chart()->span()->first, 10u);
    QCOMPARE(w->chart()->span()->second, 100u);
    QTRY_VERIFY(w->rangeReadout()->text().contains("Span"));
    QVERIFY(w->rangeReadout()->text().contains("0:09:00 long"));
    QTest::keyClick(w->chart(), Qt::Key_Escape);
    QVERIFY(!w->chart()->span());
  }

  // A (every 2 s, with the engine events) against B (shorter, every 6 s,
  // starting later): B's dashed lines lie on A's panels shifted so that the
  // takeoffs meet, and the read-out at a known row of A gives A, B and A−B.
  void comparesTwoFlightsAlignedByTakeoff_data() {
    QTest::addColumn<int>("align");
    QTest::newRow("takeoff") << static_cast<int>(frontend::AlignBy::Takeoff);
    QTest::newRow("engine start") << static_cast<int>(frontend::AlignBy::EngineStart);
    QTest::newRow("clock time") << static_cast<int>(frontend::AlignBy::Clock);
  }
  void comparesTwoFlightsAlignedByTakeoff() {
    QFETCH(int, align);
    const auto by = static_cast<frontend::AlignBy>(align);
    const std::string pathA = eventsFlight("compareA");
    sim::encode::ProfileOptions o;
    o.minutes = 40;
    o.interval = 6;
    o.seed = 7;
    o.hours = 10;
    o.minutes0 = 3;
    // Cylinder 1 runs 300 °F hotter in cruise than A's ever do: B's lines need room of their own.
    o.events.driftCylinder = 1;
    o.events.drift = 40;
    o.flightIndex = 30;
    const std::string pathB = profileFlight("compareB", o);
    const flight::FlightRead readA = flight::OpenFlight(pathA), readB = flight::OpenFlight(pathB);
    QVERIFY(readA.ok() && readB.ok());
    const flight::Flight *a = &readA.value, *b = &readB.value;
    const frontend::FlightMoments ma = frontend::MomentsOf(analysis::FindPhases(*a)),
                                mb = frontend::MomentsOf(analysis::FindPhases(*b));
    QVERIFY(ma.takeoff && mb.takeoff && ma.engineStart && mb.engineStart);
    // Where B lies on A's time, from the flights themselves.
    const double offset = by == frontend::AlignBy::Takeoff       ? *ma.takeoff - *mb.takeoff
                          : by == frontend::AlignBy::EngineStart ? *ma.engineStart - *mb.engineStart
                                                               : b->startOfDay - a->startOfDay;
    // Both engines start at their first rows; the takeoffs and clocks lie apart.
    if (by != frontend::AlignBy::EngineStart) QVERIFY(std::abs(offset) > 60);

    auto w = openPath(pathA);
    QVERIFY(w);
    QSignalSpy compared(w.get(), &FlightWindow::compared);
    w->setAlignBy(by);
    w->compareWith(QString::fromStdString(pathB));
    QVERIFY(compared.wait(10000) || w->isComparing());
    QVERIFY(w->isComparing());
    QVERIFY(w->compareHeading()->text().contains("F00001.CSV"));
    QVERIFY(w->compareHeading()->text().contains(QString::fromUtf8(frontend::AlignByName(by).data())));

    // The first panel: A's graphs, then B's dashed in A's colours, shifted.
    QCustomPlot* plot = w->chart()->panel(0);
    const int own = static_cast<int>(w->chart()->plans()[0].left.size() + w->chart()->plans()[0].right.size() +
                                     w->chart()->plans()[0].third.size());
    QVERIFY(plot->graphCount() > own);
    QCOMPARE(plot->graph(own)->pen().style(), Qt::DashLine);
    QCOMPARE(plot->graph(own)->pen().color(), plot->graph(0)->pen().color());
    QVERIFY(!plot->legend->hasItemWithPlottable(plot->graph(own)));
    QVERIFY(!plot->graph(own)->data()->isEmpty());
    QCOMPARE(plot->graph(own)->data()->begin()->key, a->startOfDay + offset + b->seconds[0]);
    // B's lines stay inside the value axes, which fit both flights.
    for (int i = 0; i < static_cast<int>(w->chart()->plans().size()); ++i) {
      QCustomPlot* panel = w->chart()->panel(i);
      const QCPRange shown = panel->xAxis->range();
      for (int g = 0; g < panel->graphCount(); ++g) {
        const QCPRange values = panel->graph(g)->valueAxis()->range();
        for (const QCPGraphData& d : *panel->graph(g)->data())
          if (shown.contains(d.key) && !std::isnan(d.value))
            QVERIFY2(values.contains(d.value), qPrintable(QStringLiteral("panel %1 graph %2: %3 outside %4..%5")
                                                              .arg(i).arg(g).arg(d.value).arg(values.lower).arg(values.upper)));
      }
    }

    // A known row: A's cruise, 20 minutes in (or 10 into B); B's row at the same moment.
    const std::size_t row = a->nearestRow(std::max(1200.0, offset + 600));
    w->chart()->setCursorRow(row);
    const int e1 = a->channelIndex("E1"), e1b = b->channelIndex("E1");
    QVERIFY(e1 >= 0 && e1b >= 0);
    const std::size_t rowB = b->nearestRow(a->seconds[row] - offset);
    QVERIFY(std::abs(b->seconds[rowB] - (a->seconds[row] - offset)) <= 6);
    const float va = a->columns[static_cast<std::size_t>(e1)][row];
    const float vb = b->columns[static_cast<std::size_t>(e1b)][rowB];
    QVERIFY(va != vb);
    const QStringList cells = readoutRow(w->cursorReadout()->text(), "E1");
    QCOMPARE(cells.mid(0, 4), (QStringList{"E1", app::flight_view::valueText(va), app::flight_view::valueText(vb),
                                           (va > vb ? "+" : "") + QString::number(va - vb, 'f', 0)}));

    // Another alignment moves B; stopping takes its lines and columns away.
    w->setAlignBy(by == frontend::AlignBy::Clock ? frontend::AlignBy::Takeoff : frontend::AlignBy::Clock);
    QVERIFY(plot->graph(own)->data()->begin()->key != a->startOfDay + offset + b->seconds[0]);
    w->stopComparing();
    QVERIFY(!w->isComparing());
    QCOMPARE(plot->graphCount(), own);
    QVERIFY(!w->cursorReadout()->text().contains("A−B"));
    QVERIFY(w->compareHeading()->isHidden());
  }

  void aFileThatCannotBeComparedIsNamed() {
    auto w = open(ProfileLayout::Single, "compareBad");
    QVERIFY(w);
    const std::string bad = dir_.file("compareBad/not-a-flight.csv");
    test::writeFile(bad, "hello\n");
    QSignalSpy compared(w.get(), &FlightWindow::compared);
    w->compareWith(QString::fromStdString(bad));
    QVERIFY(compared.wait(10000));
    QVERIFY(!w->isComparing());
    QVERIFY(!w->comparisonProblem().isEmpty());
    QVERIFY(w->compareHeading()->text().contains("not-a-flight.csv cannot be compared"));
  }

  // The ruler's change, rate per minute and fuel burnt, above the values at
  // the cursor and in view without scrolling; at 1280×720 the change per
  // channel is folded so that the cursor's values stay in view too, and its
  // link unfolds it.
  void rulerResultsShowAtTheTopOfTheReadout() {
    const std::string path = eventsFlight("rulerTop");
    const flight::FlightRead read = flight::OpenFlight(path);
    QVERIFY(read.ok());
    const flight::Flight* f = &read.value;
    auto w = openPath(path);
    QVERIFY(w);
    w->resize(1280, 720);
    QVERIFY(w->rulerReadout()->isHidden());
    const std::size_t first = f->nearestRow(1200), last = f->nearestRow(1800);
    w->chart()->setRuler(last);
    w->chart()->setRuler(first);
    QTRY_VERIFY(w->rulerReadout()->isVisible());
    QVERIFY(w->rulerReadout()->text().contains("0:10:00"));
    QVERIFY(readoutRow(w->rulerReadout()->text(), "E1").isEmpty());
    QTRY_VERIFY(w->cursorReadout()->isVisible());
    const QWidget* view = w->readoutScroll()->viewport();
    const QPoint cursorTop = w->cursorReadout()->mapTo(view, QPoint(0, 0));
    QVERIFY2(cursorTop.y() >= 0 && cursorTop.y() + 8 * w->cursorReadout()->fontMetrics().lineSpacing() < view->height(),
             "the cursor's time and first values in view");
    emit w->rulerReadout()->linkActivated(QString::fromLatin1(app::flight_view::kRulerOpen));
    const QString html = w->rulerReadout()->text();
    QVERIFY(html.contains("0:10:00"));
    // E1's change and its rate over the ten minutes.
    const int e1 = f->channelIndex("E1");
    const auto egt = f->column(static_cast<std::size_t>(e1));
    const float change = egt[last] - egt[first];
    const QStringList cells = readoutRow(html, "E1");
    QCOMPARE(cells.value(1).remove('+').toDouble(), std::round(change));
    QCOMPARE(cells.value(2).remove('+').toDouble(), std::round(change / 10.0 * 10) / 10);
    // The fuel burnt: the flow over those minutes, as the used fuel says it.
    const int flow = f->channelIndex("FF");
    QVERIFY(flow >= 0);
    double burnt = 0;
    for (std::size_t r = first; r < last; ++r)
      burnt += f->columns[static_cast<std::size_t>(flow)][r] * (f->seconds[r + 1] - f->seconds[r]) / 3600.0;
    QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Fuel burnt <b>([0-9.]+)</b>")).match(html);
    QVERIFY2(m.hasMatch(), qPrintable(html));
    QVERIFY(std::abs(m.captured(1).toDouble() - burnt) < 0.06);
    // Above the cursor's values, its top in the read-out's view.
    QVERIFY(w->rulerReadout()->geometry().bottom() <= w->cursorReadout()->geometry().top());
    QVERIFY(!w->rulerReadout()->visibleRegion().isEmpty());
    const QPoint top = w->rulerReadout()->mapTo(w.get(), QPoint(0, 0));
    QVERIFY(top.y() >= 0 && top.y() < w->height() / 2);
    w->chart()->clearRuler();
    QTRY_VERIFY(w->rulerReadout()->isHidden());
  }

  // The aircraft's baseline beside the flight's cruise figures, in the
  // flight's unit, or why there is none.
  void showsTheCruiseBesideTheBaseline() {
    auto w = open(ProfileLayout::Single, "baseline");
    QVERIFY(w);
    const struct {
      std::vector<analysis::CruiseBaseline> baselines;
      QStringList c3;  // its cells; empty: no table
      const char* says;
    } cases[] = {
        {{{"C1", flight::ChannelKind::Cht, 371, 370, 12}, {"C3", flight::ChannelKind::Cht, 392.4, 380, 12}},
         {"C3", "392", "380", "+12", "°F"}, "median of 12 comparable flights"},
        {{{"E3", flight::ChannelKind::Egt, 1390, 1402, 6}}, {}, "median of 6 comparable flights"},
        {{}, {}, "none yet"},
    };
    for (const auto& c : cases) {
      w->showBaseline(c.baselines);
      QVERIFY(w->baselineReadout()->isVisible());
      const QString html = w->baselineReadout()->text();
      QVERIFY2(html.contains(c.says), qPrintable(html));
      QCOMPARE(readoutRow(html, "C3"), c.c3);
    }
  }

  void savesPicturesAsPngPdfAndSvg() {
    auto w = open(ProfileLayout::Extended, "pictures");
    QVERIFY(w);
    for (const char* name : {"f.png", "f.pdf", "f.svg"}) {
      const QString path = QString::fromStdString(dir_.file(name));
      QCOMPARE(app::flight_view::savePicture(*w->chart(), path, QSize(900, 700)).problem, std::string());
      QVERIFY2(QFileInfo(path).size() > 2000, name);
    }
    QVERIFY(!app::flight_view::savePicture(*w->chart(), QString::fromStdString(dir_.file("f.gif")), QSize(900, 700)).ok());
  }

  // Save picture on a full disk (no file grows past 8 KiB): it says so, and
  // the old picture stays, with no temporary beside it.
  void aPictureThatCannotBeWrittenLeavesTheOldOne_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << QStringLiteral("old.png");
    QTest::newRow("pdf") << QStringLiteral("old.pdf");
    QTest::newRow("svg") << QStringLiteral("old.svg");
  }
  void aPictureThatCannotBeWrittenLeavesTheOldOne() {
    QFETCH(QString, name);
    auto w = open(ProfileLayout::Single, "full-" + name.toStdString());
    QVERIFY(w);
    const std::string folder = dir_.file("full-" + name.toStdString() + "/pictures");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/" + name.toStdString();
    test::writeFile(path, "old");
    std::string problem;
    {
      test::FileSizeLimit full(8192);
      problem = app::flight_view::savePicture(*w->chart(), QString::fromStdString(path), QSize(900, 700)).problem;
    }
    QVERIFY2(problem.find("cannot be written") != std::string::npos, problem.c_str());
    QVERIFY(test::readFile(path) == "old");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++entries;
    QCOMPARE(entries, 1);
  }

  // A damaged row comes after the charts were laid out from the header:
  // they go again, and the problem names its line.
  // An avionics engine data log of either layout: its engine panels and the
  // flight's own, every panel drawn over the whole log, and the engine preset
  // its airframe picks under the headline.
  void showsAnAvionicsLog_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("panels");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("preset");
    QTest::newRow("G1000") << QStringLiteral("log_220417_125002_LFQA.csv")
                           << QStringList{"EGT", "CHT", "TEMP", "FUEL", "POWER", "ELEC", "FLIGHT", "VS"}
                           << QStringLiteral("log_220417_125002_LFQA.csv — Cirrus SR22 Turbo") << 2839
                           << QStringLiteral("Limits: Continental TSIO-550 (from the airframe)");
    QTest::newRow("G3X Touch, no volts") << QStringLiteral("log_20260327_152821_KOAK.csv")
                                         << QStringList{"EGT", "CHT", "TEMP", "FUEL", "POWER", "FLIGHT", "VS"}
                                         << QStringLiteral("log_20260327_152821_KOAK.csv — N662EZ") << 1057
                                         << QString();
  }
  void showsAnAvionicsLog() {
    QFETCH(QString, file);
    QFETCH(QStringList, panels);
    QFETCH(QString, title);
    QFETCH(int, rows);
    QFETCH(QString, preset);
    FlightWindow w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.show();
    w.openFile(QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/") + file);
    QTRY_VERIFY_WITH_TIMEOUT(w.isLoaded() || !w.problem().isEmpty(), 10000);
    QVERIFY2(w.isLoaded(), qPrintable(w.problem()));
    QStringList keys;
    for (const auto& p : w.chart()->plans()) keys << QString::fromStdString(p.key);
    QCOMPARE(keys, panels);
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.chart()->flight()->rows(), static_cast<std::size_t>(rows));
    QTRY_VERIFY(everyPanelDrawn(*w.chart()));
    if (!preset.isEmpty()) QTRY_VERIFY2(w.headerStrip()->text().contains(preset), qPrintable(w.headerStrip()->text()));
    else QVERIFY(!w.headerStrip()->text().contains(QStringLiteral("Limits:")));
  }

  void aFileThatCannotBeShownIsNamedWithItsLine() {
    const struct {
      const char* name;
      std::string text;
      const char* line;
    } cases[] = {
        {"foreign.CSV", "Date,Value\r\n2024-01-01,3\r\n", "line 1"},
        {"damaged.CSV", test::handFlight("\"E1\",\"BAT\",", {",1300,12.5", ",13?0,12.6"}), "line 9"},
    };
    for (const auto& c : cases) {
      const std::string path = dir_.file(c.name);
      test::writeFile(path, c.text);
      FlightWindow w;
      w.setAttribute(Qt::WA_DeleteOnClose, false);
      w.show();
      w.openFile(QString::fromStdString(path));
      QTRY_VERIFY(!w.problem().isEmpty());
      QVERIFY2(w.headerStrip()->text().contains(c.line), c.name);
      QVERIFY(!w.isLoaded());
      QVERIFY(w.tabs()->isHidden());
    }
  }
};

QTEST_MAIN(FlightWindowTest)
#include "flight_window_test.moc"
