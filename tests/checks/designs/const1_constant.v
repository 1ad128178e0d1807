// CONST-1: 'stuck' only holds its value, 'unseen' reaches no output.
module const1_constant(input clk, input rst_n, input [3:0] d, output reg [3:0] q);
  reg stuck, unseen;
  always @(posedge clk or negedge rst_n)
    if (!rst_n) begin
      q <= 4'd0;
      stuck <= 1'b0;
      unseen <= 1'b0;
    end else begin
      q <= d ^ {3'd0, stuck};
      stuck <= stuck;
      unseen <= d[1];
    end
endmodule
