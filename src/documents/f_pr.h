// F_PR: the small window "печать билета" from which a pledge form prints the ticket
// after OK. "Распечатать билет" copies the current ZAL record of the calling thread into
// the print globals and runs PR_ZAL under the print-globals lock; "OK" closes the window
// when it was started with request 6 (view); "Закрыть" closes it.
#pragma once

void F_PR();
