#include <QBoxLayout>

#include "app/creation/cards.hpp"
#include "app/creation/mode_picker.hpp"
#include "app/creation/panel_ink.hpp"
#include "app/creation/panel_texts.hpp"

namespace kestrove {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ConfirmCard::ConfirmCard(NewWatchModel& model, const WatchSpec& spec, const QImage& thumbnail, QWidget* parent)
    : StageView(parent) {
    const CardCopy copy = Copy::card(spec);
    std::vector<CardParts::BodyText> texts{{CardParts::headline(qs(copy.headline))},
                                           {CardParts::styled(copy.sentence, 14)}};
    if (copy.readLabel && copy.readValue) texts.push_back({CardParts::readLine(qs(*copy.readLabel), qs(*copy.readValue))});
    if (!copy.because.empty()) texts.push_back({CardParts::styled(copy.because, 14)});
    if (copy.note) texts.push_back({CardParts::note(qs(*copy.note)), 3});
    if (copy.windowNote) texts.push_back({CardParts::note(qs(*copy.windowNote)), copy.note ? 0 : 3});

    QBoxLayout* layout = CardParts::cardLayout(this);
    layout->addWidget(CardParts::body(thumbnail, texts));
    layout->addWidget(CardParts::divider());

    auto* choice = new QVBoxLayout;
    choice->setSpacing(4);
    picker_ = new ModePicker(model.mode(), [&model](WatchMode m) { model.setMode(m); });
    choice->addWidget(picker_, 0, Qt::AlignLeft);
    QLabel* every = CardParts::note(QString::fromUtf8(Copy::checksEvery.data(), int(Copy::checksEvery.size())), 11);
    every->setContentsMargins(2, 0, 0, 0);
    choice->addWidget(every);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addLayout(choice);
    row->addStretch(1);
    auto cancel = [&model] { model.cancel(); };
    auto start = [&model, spec] { model.start(spec); };
    row->addWidget(CardParts::button(PanelText::cancel, cancel), 0, Qt::AlignTop);
    row->addWidget(CardParts::button(PanelText::startWatching, start, /*isDefault=*/true), 0, Qt::AlignTop);
    layout->addLayout(row);

    defaultAction = start;
    subscription_ = model.observe([this, &model] { picker_->setMode(model.mode()); });
}

}  // namespace kestrove
