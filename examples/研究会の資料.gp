<?xml version='1.0' encoding="Shift-JIS"?>
<Corvandelle xmlns="x-schema:corvandelle">
  <version>1</version>
  <location>local</location>
  <name>研究会の資料</name>
  <information>
    <creator>山田 花子</creator>
    <comment>第5回研究会の発表資料です。</comment>
    <digest><url>cert.example.invalid/kenkyu/</url><name>shiryou.xml</name></digest>
  </information>
  <tasklist>
    <task update="ifnotexist">
      <name>発表資料</name>
      <destination><type>save</type><folder>研究会\第5回</folder></destination>
      <sourcelist>
        <source>
          <name>研究室</name>
          <protocol>http</protocol>
          <server><name>lab.example.invalid</name></server>
          <port>8080</port>
          <account>kenkyu</account>
          <filelist remotefolder="/shiryou/5/">
            <name>資料</name>
            <file name="発表1.pdf">happyou1.pdf</file>
            <file name="発表2.pdf">happyou2.pdf</file>
            <file name="議事録.txt" mode="ascii">gijiroku.txt</file>
          </filelist>
        </source>
      </sourcelist>
    </task>
  </tasklist>
</Corvandelle>