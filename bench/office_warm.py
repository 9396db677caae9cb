#!/usr/bin/python3
"""Warm pptx -> pdf conversions for bench_convert: starts one headless office instance with the
profile folder given, connects to it through the UNO bridge, then for each deck path read from
stdin exports the deck to PDF in the folder given and answers one line:
    ok WALL_MS PDF_BYTES        or        fail REASON
The first line written is "ready" once the instance answers (or "fail REASON"). The instance is
started here, so that the bench measures its whole process tree, and ended when stdin closes.

    office_warm.py SOFFICE PROFILE_DIR PDF_DIR
"""
import os
import subprocess
import sys
import time


def answer(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def main():
    soffice, profile, pdf_dir = sys.argv[1:4]
    try:
        import uno
        from com.sun.star.beans import PropertyValue
    except ImportError as error:
        answer("fail python3-uno is missing: %s" % error)
        return 1

    def prop(name, value):
        p = PropertyValue()
        p.Name = name
        p.Value = value
        return p

    pipe = "bench_convert_%d" % os.getpid()
    office = subprocess.Popen(
        [soffice, "-env:UserInstallation=" + uno.systemPathToFileUrl(profile), "--headless",
         "--invisible", "--norestore", "--nologo",
         "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        context = None
        deadline = time.monotonic() + 120
        while context is None:
            try:
                context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            except Exception:
                if time.monotonic() > deadline or office.poll() is not None:
                    answer("fail the office instance did not answer")
                    return 1
                time.sleep(0.2)
        desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)
        answer("ready")
        for line in sys.stdin:
            deck = line.rstrip("\n")
            if not deck:
                continue
            pdf = os.path.join(pdf_dir, os.path.splitext(os.path.basename(deck))[0] + ".pdf")
            try:
                if os.path.exists(pdf):
                    os.remove(pdf)
                start = time.monotonic()
                document = desktop.loadComponentFromURL(
                    uno.systemPathToFileUrl(os.path.abspath(deck)), "_blank", 0,
                    (prop("Hidden", True), prop("ReadOnly", True)))
                if document is None:
                    answer("fail the deck did not load")
                    continue
                try:
                    document.storeToURL(uno.systemPathToFileUrl(pdf),
                                        (prop("FilterName", "impress_pdf_Export"),))
                finally:
                    document.close(True)
                wall = (time.monotonic() - start) * 1000
                answer("ok %.1f %d" % (wall, os.path.getsize(pdf)))
            except Exception as error:
                answer("fail " + " ".join(str(error).split())[:200])
        try:
            desktop.terminate()
        except Exception:
            pass
    finally:
        try:
            office.wait(timeout=30)
        except subprocess.TimeoutExpired:
            office.kill()
            office.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
