// Shows the station editor translated from a language file, with the word
// lists of its language folder and one station, and saves it as PNGs: for
// looking at it on a private X server (scripts/editor_shots.sh).
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <iostream>

#include "core/ini_file.h"
#include "core/messages.h"
#include "stations/station_editor_model.h"
#include "ui/editor/editor_window.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace {

bool Save(QWidget& window, const QString& path) {
  window.show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  return window.grab().save(path);
}

void Fill(QComboBox& box, const std::vector<std::string>& items) {
  for (const std::string& item : items) box.addItem(tazmel::FromGb(item));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::cerr << "usage: editor_shots LANGUAGE.ini WORD_LIST_FOLDER OUT_PREFIX\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::Messages().Load(language);
  const tazmel::EditorWordLists words = tazmel::LoadEditorWordLists(argv[2]);
  const QString prefix = QString::fromLocal8Bit(argv[3]);

  tazmel::TfrmEditor editor;
  tazmel::TranslateWindow(editor, language);
  Fill(*editor.cbbGenre, words.genres);
  Fill(*editor.cbbLanguage, words.languages);
  Fill(*editor.cbbSpeed, words.speeds);
  const std::vector<std::string> countries = tazmel::CountriesOf(words.places);
  Fill(*editor.cbbCountry, countries);
  tazmel::StationRecord station;
  station.VID = "100004";
  station.VRadioName = "Loopback Jazz";
  station.VGenre = words.genres.empty() ? "" : words.genres.front();
  station.VCountry = countries.empty() ? "" : countries.front();
  station.VState = tazmel::StatesOf(words.places, station.VCountry).empty()
                       ? ""
                       : tazmel::StatesOf(words.places, station.VCountry).front();
  station.VFormat = "2";
  station.VValidity = "3";
  station.VSpeed = "128K";
  station.VHomepage = "https://jazz.example.org/";
  station.VStreamURL = "http://127.0.0.1:8000/live||http://127.0.0.1:8001/backup.mp3";
  editor.ShowRecord(station, false);
  editor.SetEditable(true, true);
  bool ok = Save(editor, prefix + QStringLiteral("editor.png"));
  editor.ToggleUrlsEditor();
  ok = ok && Save(editor, prefix + QStringLiteral("editor-more.png"));
  return ok ? 0 : 1;
}
