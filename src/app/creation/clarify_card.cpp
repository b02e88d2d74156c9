#include <QBoxLayout>

#include "app/creation/cards.hpp"
#include "app/creation/panel_texts.hpp"
#include "app/look/flow_layout.hpp"
#include "app/look/signal_chip.hpp"
#include "core/copy/copy_status.hpp"

namespace kestrove {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

}  // namespace

ClarifyCard::ClarifyCard(NewWatchModel& model, const CompileOutcome& outcome, const QImage& thumbnail, QWidget* parent)
    : StageView(parent) {
    using namespace CardParts;
    std::vector<BodyText> texts;
    std::function<void()> primary;
    QString primaryTitle;
    if (const auto* already = outcome.as<CompileOutcome::AlreadyTrue>()) {
        texts.push_back({headline(qs(Copy::alreadyTrue))});
        if (already->read) texts.push_back({readLine(PanelText::rightNowIRead, qs(*already->read))});
        texts.push_back({plain(qs(Copy::alreadyTrueQuestion))});
        primaryTitle = PanelText::barkWhenItChanges;
        primary = [&model, fallback = already->fallback] { model.confirm(fallback); };
    } else if (const auto* which = outcome.as<CompileOutcome::WhichNumber>()) {
        texts.push_back({headline(qs(Copy::whichNumber))});
        auto* numbers = new QWidget;
        auto* flow = new FlowLayout(6, 6, numbers);
        for (const ReadNumber& n : which->candidates)
            flow->addWidget(new SignalChipButton(qs(n.display()), [&model, n] { model.pickNumber(n); }));
        texts.push_back({numbers, 3});
    } else if (const auto* notVisible = outcome.as<CompileOutcome::NotVisible>()) {
        texts.push_back({headline(qs(Copy::notVisible(notVisible->target)))});
        texts.push_back({plain(qs(Copy::notVisibleQuestion))});
        primaryTitle = PanelText::watchAnyway;
        primary = [&model, spec = notVisible->spec] { model.confirm(spec); };
    } else if (const auto* visible = outcome.as<CompileOutcome::AlreadyVisible>()) {
        texts.push_back({headline(qs(Copy::alreadyVisible))});
        texts.push_back({plain(qs(Copy::alreadyVisibleQuestion))});
        primaryTitle = PanelText::barkWhenGone;
        primary = [&model, alternative = visible->alternative] { model.confirm(alternative); };
    } else if (const auto* noText = outcome.as<CompileOutcome::NoText>()) {
        texts.push_back({headline(qs(Copy::noText))});
        texts.push_back({plain(qs(Copy::noTextQuestion))});
        primaryTitle = PanelText::barkOnAnyChange;
        primary = [&model, fallback = noText->fallback] { model.confirm(fallback); };
    }

    QBoxLayout* layout = cardLayout(this);
    layout->addWidget(body(thumbnail, texts));
    std::vector<QWidget*> buttons{button(PanelText::cancel, [&model] { model.cancel(); })};
    if (primary) buttons.push_back(button(primaryTitle, primary, /*isDefault=*/true));
    layout->addLayout(buttonRow(buttons));
    defaultAction = primary;
}

}  // namespace kestrove
