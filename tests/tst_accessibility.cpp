// What a screen reader finds in both windows: a French name on every control, a description where the role
// does not explain the control, and the two links announced and followed as links.

#include "support/MainWindowFixture.h"
#include "ui/about/frmAbout.h"
#include "ui/toolkit/ShellOpen.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTest>

namespace {

// Every interface under `root`, depth first, as an assistive technology walks the tree.
void Walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& found)
{
    found.append(root);
    for (int i = 0; i < root->childCount(); ++i) {
        if (QAccessibleInterface* child = root->child(i))
            Walk(child, found);
    }
}

QList<QAccessibleInterface*> TreeOf(QWidget* window)
{
    QList<QAccessibleInterface*> found;
    Walk(QAccessible::queryAccessibleInterface(window), found);
    return found;
}

QAccessibleInterface* InterfaceOf(QWidget* window, const char* objectName)
{
    auto* control = window->findChild<QWidget*>(QString::fromLatin1(objectName));
    return control ? QAccessible::queryAccessibleInterface(control) : nullptr;
}

// Each visible control of `window` that takes the focus, with what a screen reader announces for it.
QStringList CheckFocusableControlsAreNamed(QWidget* window)
{
    QStringList announced;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->window() != window || !control->isVisible() || control->focusPolicy() == Qt::NoFocus)
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        const QString name = face ? face->text(QAccessible::Name).trimmed() : QString();
        if (name.isEmpty() || name.contains(QLatin1Char('&')))
            return {control->objectName() + QStringLiteral(" has no proper name")};
        QString entry = control->objectName() + QStringLiteral(" = ") + name;
        for (const auto& [label, relation] : face->relations(QAccessible::Label))
            entry += QStringLiteral(" (label: ") + label->text(QAccessible::Name) + QLatin1Char(')');
        announced << entry;
    }
    return announced;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { CloseEveryWindow(); }

    void everyFocusableControlOfTheMainWindowIsNamed()
    {
        Fixture fixture({{QStringLiteral("Amélie"), QStringLiteral("5 € pour le pain")}});
        fixture.start();
        QVERIFY(QTest::qWaitForWindowExposed(fixture.window.get()));

        const QStringList announced = CheckFocusableControlsAreNamed(fixture.window.get());
        qInfo().noquote() << "frmPlorn:" << announced.join(QStringLiteral("; "));
        // The list, the notes, the name box and the four buttons.
        QCOMPARE(announced.size(), 7);

        // Qt gives a list the chosen entry as its name on Linux: the reader announces it by its label.
        QAccessibleInterface* list = InterfaceOf(fixture.window.get(), "cmbPers");
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Amélie"));
        const auto listLabels = list->relations(QAccessible::Label);
        QCOMPARE(listLabels.size(), 1);
        QCOMPARE(listLabels.first().first->text(QAccessible::Name), QStringLiteral("Liste des personnes"));
        QVERIFY(!list->text(QAccessible::Description).isEmpty());
        QAccessibleInterface* notes = InterfaceOf(fixture.window.get(), "txtPlorn");
        QCOMPARE(notes->text(QAccessible::Name), QStringLiteral("Notes de la personne"));
        QVERIFY(!notes->text(QAccessible::Description).isEmpty());
        // The caption "Ajout :" is tied to its box.
        const auto labels = InterfaceOf(fixture.window.get(), "txtName")->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->object()->objectName(), QStringLiteral("lblAjout"));

        // The controls are found from the window, as a screen reader finds them.
        QStringList reached;
        for (QAccessibleInterface* face : TreeOf(fixture.window.get())) {
            if (face->role() == QAccessible::ComboBox || face->role() == QAccessible::EditableText ||
                face->role() == QAccessible::PushButton)
                reached << face->text(QAccessible::Name);
        }
        for (const QString& name : {QStringLiteral("Amélie"), QStringLiteral("Notes de la personne"),
                                    QStringLiteral("Supprimer la personne"), QStringLiteral("Ajouter la personne")})
            QVERIFY2(reached.contains(name), qPrintable(name));
    }

    void everyControlOfTheAboutWindowIsNamed()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));

        const QStringList announced = CheckFocusableControlsAreNamed(about);
        qInfo().noquote() << "frmAbout:" << announced.join(QStringLiteral("; "));
        // The button and the three boxes.
        QCOMPARE(announced.size(), 4);

        // The texts and pictures that take no focus are named too, each after what it shows or says.
        QStringList unnamed;
        for (QWidget* control : about->findChildren<QWidget*>()) {
            if (control->window() == about && control->isVisible() && !control->objectName().isEmpty() &&
                !control->objectName().startsWith(QLatin1String("qt_")) && control->accessibleName().isEmpty())
                unnamed << control->objectName();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char(' '))));
        QCOMPARE(InterfaceOf(about, "txtComments")->text(QAccessible::Name),
                 QStringLiteral("Commentaire sur le programme"));
        QVERIFY(!InterfaceOf(about, "txtComments")->text(QAccessible::Description).isEmpty());
        QCOMPARE(InterfaceOf(about, "Label2")->text(QAccessible::Name), QStringLiteral("© 2026 Varnokel"));
    }

    void theLinksAreAnnouncedAndFollowedAsLinks()
    {
        frmAbout* about = OpenAboutWindow();
        QVERIFY(about);
        QList<QAccessibleInterface*> links;
        for (QAccessibleInterface* face : TreeOf(about)) {
            if (face->role() == QAccessible::Link)
                links << face;
        }
        QCOMPARE(links.size(), 2);

        ShellOpenSeam shell;
        for (QAccessibleInterface* link : links) {
            const QString name = link->text(QAccessible::Name);
            QVERIFY(!name.isEmpty());
            QVERIFY2(!link->text(QAccessible::Description).isEmpty(), qPrintable(name));
            QVERIFY(link->state().linked);
            QVERIFY(!link->state().invisible);
            QVERIFY(link->rect().isValid());
            QAccessibleActionInterface* actions = link->actionInterface();
            QVERIFY(actions);
            QVERIFY2(actions->actionNames().contains(QAccessibleActionInterface::pressAction()), qPrintable(name));
            qInfo().noquote() << "link:" << name << "-" << link->text(QAccessible::Description);

            const std::size_t before = shell.opened().size();
            actions->doAction(QAccessibleActionInterface::pressAction());
            QCOMPARE(shell.opened().size(), before + 1);
            QCOMPARE(shell.opened().back().host(), QStringLiteral("www.varnokel.example"));
        }
        QVERIFY(about->isVisible());
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
