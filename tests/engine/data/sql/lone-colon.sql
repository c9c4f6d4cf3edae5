DECLARE @a String;
@a = '''''''';
@a = :;
