// The reference of bench/x11_startup.sh: a plain Qt widgets window of the main window's size
// (956 × 891) with a few standard widgets, linked with Qt Widgets alone (the script builds it).

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Reference"));
    auto* column = new QVBoxLayout(&window);
    column->addWidget(new QLabel(QStringLiteral("Choose where you want your apps to open")));
    column->addWidget(new QLineEdit);
    auto* choice = new QComboBox;
    choice->addItems({QStringLiteral("Left half"), QStringLiteral("Right half")});
    column->addWidget(choice);
    column->addWidget(new QCheckBox(QStringLiteral("Open in multiple windows")));
    auto* list = new QListWidget;
    for (int i = 0; i < 20; ++i)
        list->addItem(QStringLiteral("Application %1").arg(i));
    column->addWidget(list);
    column->addWidget(new QPushButton(QStringLiteral("Remove")));
    window.resize(956, 891);
    window.show();
    return QApplication::exec();
}
