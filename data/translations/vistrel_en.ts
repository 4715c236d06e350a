<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- English plural forms of the messages that count things; the source texts stay the code's. -->
<TS version="2.1" language="en">
<context>
    <name>Explorer</name>
    <message numerus="yes">
        <source>%n folders could not be read during the scan and are left out of the totals.</source>
        <translation>
            <numerusform>%n folder could not be read during the scan and is left out of the totals.</numerusform>
            <numerusform>%n folders could not be read during the scan and are left out of the totals.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Formats</name>
    <message numerus="yes">
        <source>Data: %n bytes</source>
        <translation>
            <numerusform>Data: %n byte</numerusform>
            <numerusform>Data: %n bytes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Scan</name>
    <message numerus="yes">
        <source>%1 files</source>
        <translation>
            <numerusform>%1 file</numerusform>
            <numerusform>%1 files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 items</source>
        <translation>
            <numerusform>%1 item</numerusform>
            <numerusform>%1 items</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %2 items</source>
        <translation>
            <numerusform>%1 of %2 item</numerusform>
            <numerusform>%1 of %2 items</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Search</name>
    <message numerus="yes">
        <source>Matched %n results</source>
        <translation>
            <numerusform>Matched %n result</numerusform>
            <numerusform>Matched %n results</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
</context>
</TS>
