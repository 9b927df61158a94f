// Loading a fan data file into the main window: read and parsed before
// anything changes, in the background for large files (with a progress box
// and Cancel), and a clear message when memory runs out.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>

#include "app/BlowdenApplication.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "base/Convert.h"
#include "base/IniFile.h"
#include "fan/QmFan.h"
#include "services/MessageBox.h"

namespace blowden {

namespace {

const QString NotAFanFile = QStringLiteral("Not a Orvane fan file...");

// "Not enough memory to open <file> (N MB)".
QString OutOfMemoryText(const QString& path) {
  const qint64 mb = (QFileInfo(path).size() + (1 << 20) - 1) >> 20;
  return QStringLiteral("Not enough memory to open %1 (%2 MB)").arg(path).arg(mb);
}

// True when the parsed file is a catalogue for the editor: it names a model
// (a section besides the first "Catalog" one, as the fan model lists them),
// or it holds the "Catalog" section alone, as a catalogue being started does.
bool IsCatalogue(const TIniFile& ini) {
  for (const auto& section : ini.Sections())
    if (SameText(section.Name, "Catalog")) return true;
  return !ini.Sections().empty();
}

}  // namespace

// Everything read for one file, before the window shows any of it.
struct TLoadedFile {
  QString Path;
  std::shared_ptr<const TIniFile> Ini;  // held, so that the fan model's reading takes this parse
  TFan::TReadFile Fan;                  // the fan model's reading, for TFan::TakeFile
  QStringList Models;                   // its model names, for the models list
  std::unique_ptr<TPreparedText> Text;  // the editor's text; none when not wanted or not read
  QString TextError;                    // why the text could not be read
  bool TooLarge = false;                // the file is larger than the editor takes
  bool Cancelled = false;
  QString Error;  // why nothing can be shown (out of memory)
};

// A running background load.
struct TBlowdenForm::TLoadJob {
  QString Path;
  std::atomic<bool> Cancel{false};
  std::atomic<int> Percent{0};
  std::thread Worker;
  TLoadedFile Result;
};

namespace {

// Reads `path` for the window: the parse of the fan model, then the editor's
// text. Safe on any thread. `cancel` may stop it; `progress` gets 0..100.
TLoadedFile ReadFanFile(const QString& path, const TEditorStyle& style, const std::atomic<bool>* cancel,
                        const std::function<void(int)>& progress) {
  TLoadedFile r;
  r.Path = path;
  const auto going = [cancel] { return !cancel || !cancel->load(); };
  try {
    std::string why;
    const bool editable = QFileInfo(path).size() <= TSourceEditor::MaxFileSize;
    // The parse is most of the work; the text, when there is one, the rest.
    const int parseShare = editable ? 70 : 100;
    r.Ini = TIniFile::Open(QFile::encodeName(path).toStdString(), &why,
                           [&](std::uint64_t done, std::uint64_t total) {
                             if (progress && total) progress(int(done * parseShare / total));
                             return going();
                           });
    if (!going()) {
      // A parse of a large file is freed here, not on the window's thread.
      r.Ini.reset();
      r.Cancelled = true;
      return r;
    }
    // Everything the fan model and the models list need, made here: the
    // window's thread only swaps it in (for a catalogue of millions of
    // models, making the names takes longer than the window may freeze).
    r.Fan = TFan::ReadFile(QFile::encodeName(path).toStdString());
    r.Models.reserve(qsizetype(r.Fan.Models.size()));
    for (const std::string& name : r.Fan.Models)
      r.Models.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
    if (r.Ini && IsCatalogue(*r.Ini)) {
      if (!editable) {
        r.TooLarge = true;
      } else {
        try {
          r.Text = TSourceEditor::Prepare(path, style, [&](int percent) {
            if (progress) progress(parseShare + percent * (100 - parseShare) / 100);
            return going();
          });
          if (!r.Text) r.Cancelled = true;
        } catch (const std::runtime_error& e) {
          r.TextError = QString::fromStdString(e.what());
        }
      }
    }
  } catch (const std::bad_alloc&) {
    r = TLoadedFile();
    r.Path = path;
    r.Error = OutOfMemoryText(path);
  }
  return r;
}

}  // namespace

void TBlowdenForm::TLoadJobDeleter::operator()(TLoadJob* job) const { delete job; }

void TBlowdenForm::LoadFileNow(const QString& path) {
  TLoadedFile loaded = ReadFanFile(path, FSynEdit1->Style(), nullptr, {});
  ApplyLoad(loaded);
}

void TBlowdenForm::ApplyLoad(TLoadedFile& loaded) {
  // Nothing read: the previous file stays as it was.
  if (!loaded.Error.isEmpty()) {
    SelectLoadedFileRow();
    throw EOutOfMemory(loaded.Error.toStdString());
  }
  try {
    FFan->TakeFile(loaded.Fan);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(OutOfMemoryText(loaded.Path).toStdString());
  }
  // The previous file's parse and names go elsewhere to be freed.
  ReleaseInBackground(std::move(loaded.Fan.Previous));
  loaded.Ini.reset();

  FFansListBox->SetItems(std::move(loaded.Models));
  FFansListBox->SetItemIndex(0);

  std::exception_ptr failure;
  FSynEdit1->setPlaceholderText(QString());
  if (FFansListBox->ItemIndex() >= 0) {
    try {
      FansListBoxClick();
    } catch (...) {
      failure = std::current_exception();
    }
    // The text is shown also when the first model cannot be read, so that
    // the user can mend the file.
    if (loaded.Text) {
      FSynEdit1->Adopt(std::move(loaded.Text));
    } else {
      FSynEdit1->Clear();
      if (loaded.TooLarge)
        FSynEdit1->setPlaceholderText(
            QStringLiteral("%1 (%2 MB) is larger than the editor takes (%3 MB): it can be verified, "
                           "installed and selected from, but not edited here.")
                .arg(loaded.Path)
                .arg((QFileInfo(loaded.Path).size() + (1 << 20) - 1) >> 20)
                .arg(TSourceEditor::MaxFileSize >> 20));
      else if (!loaded.TextError.isEmpty() && !failure)
        failure = std::make_exception_ptr(std::runtime_error(loaded.TextError.toStdString()));
    }
  } else if (loaded.Text && FFan->Loaded()) {
    // A catalogue without models yet: its text is there to be written on.
    FSynEdit1->Adopt(std::move(loaded.Text));
  } else {
    // The editor never keeps one file's text while another file is loaded,
    // so that a save cannot write it into the wrong file.
    FSynEdit1->Clear();
    if (!loaded.TextError.isEmpty() && FFan->Loaded())
      failure = std::make_exception_ptr(std::runtime_error(loaded.TextError.toStdString()));
  }

  // The file's name while its load, or the read of its first model, went well.
  SetStatusText(!FFan->Outcome() ? NotAFanFile : QString::fromStdString(FFan->FileName()));
  if (failure) std::rethrow_exception(failure);
}

void TBlowdenForm::StartLoad(const QString& path) {
  CancelLoad();
  FLoad.reset(new TLoadJob);
  TLoadJob* job = FLoad.get();
  job->Path = path;

  FLoadProgress = new QProgressDialog(QStringLiteral("Loading %1 (%2 MB)...")
                                          .arg(QFileInfo(path).fileName())
                                          .arg(QFileInfo(path).size() >> 20),
                                      QStringLiteral("Cancel"), 0, 100, this);
  FLoadProgress->setObjectName(QStringLiteral("LoadProgress"));
  FLoadProgress->setWindowTitle(ProgramTitle());
  FLoadProgress->setWindowModality(Qt::WindowModal);
  FLoadProgress->setMinimumDuration(0);
  FLoadProgress->setAutoClose(false);
  FLoadProgress->setAutoReset(false);
  FLoadProgress->setValue(0);
  connect(FLoadProgress, &QProgressDialog::canceled, this, [job] { job->Cancel = true; });
  SetStatusText(QStringLiteral("Loading %1...").arg(path));

  const TEditorStyle style = FSynEdit1->Style();
  job->Worker = std::thread([this, job, path, style] {
    job->Result = ReadFanFile(path, style, &job->Cancel, [this, job](int percent) {
      // Only a change of the figure crosses to the window.
      if (job->Percent.exchange(percent) == percent) return;
      QMetaObject::invokeMethod(
          this,
          [this, job, percent] {
            if (FLoad.get() == job && FLoadProgress) FLoadProgress->setValue(percent);
          },
          Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        this,
        [this, job] {
          if (FLoad.get() == job) FinishLoad();
        },
        Qt::QueuedConnection);
  });
}

void TBlowdenForm::FinishLoad() {
  std::unique_ptr<TLoadJob, TLoadJobDeleter> job = std::move(FLoad);
  if (!job) return;
  if (job->Worker.joinable()) job->Worker.join();
  // Later: a modal progress box handles events inside its own setValue,
  // which may be where this runs.
  if (FLoadProgress) {
    FLoadProgress->hide();
    FLoadProgress->deleteLater();
  }
  FLoadProgress = nullptr;
  if (job->Result.Cancelled) {
    // Nothing changes: the file loaded before stays, and so does its row.
    // What the load read (all of it, when Cancel came as it ended) is freed
    // elsewhere; the editor's document, a Qt object of at most the editor's
    // 32 MB, here.
    job->Result.Text.reset();
    ReleaseInBackground(std::make_shared<TLoadedFile>(std::move(job->Result)));
    SelectLoadedFileRow();
    SetStatusText(!FFan->Outcome() || FFan->FileName().empty()
                      ? (FFan->FileName().empty() ? QStringLiteral("...") : NotAFanFile)
                      : QString::fromStdString(FFan->FileName()));
    return;
  }
  RunGuarded(this, [&] { ApplyLoad(job->Result); });
}

void TBlowdenForm::CancelLoad() {
  if (!FLoad) return;
  FLoad->Cancel = true;
  if (FLoad->Worker.joinable()) FLoad->Worker.join();
  FLoad->Result.Cancelled = true;
  FinishLoad();
}

void TBlowdenForm::ShowFanMessage(const QString& message) {
  // In the all-files loops a box would not say which of many files and
  // models it is about: a line below names them.
  QString text = message;
  if (FNameBoxes)
    text += QStringLiteral("\nIn %1, model %2")
                .arg(QFileInfo(QString::fromStdString(FFan->FileName())).fileName(),
                     QString::fromStdString(FFan->Model().Name));
  if (FBoxes.Add(text)) return;
  TMessageBox::Information(this, ProgramTitle(), text);
}

void TBlowdenForm::ShowCollected(const QStringList& held) {
  if (held.size() > 1) {
    AddReport(QString());
    for (qsizetype i = 1; i < held.size(); ++i) AddReport(held[i]);
  }
  TMessageBox::Information(
      this, ProgramTitle(),
      TBoxCollector::MoreText(held.first(), held.size() - 1, QStringLiteral("the report")));
}

}  // namespace blowden
